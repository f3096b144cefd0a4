#include "engine/request_binding.h"

#include "protocol/request_record.h"

CRequestBinding::CRequestBinding(IBindStatusCallback* sink, InternetHandle* request) : sink_(sink), request_(request)
{
    if (sink_ != nullptr)
        sink_->OnStartBinding(0, this);
}

CRequestBinding::~CRequestBinding()
{
    // After this no Abort can start: the sink forgets the binding first.
    if (sink_ != nullptr)
        sink_->OnStopBinding(S_OK, nullptr);
    const std::lock_guard<std::mutex> guard(lock_);
    if (!aborted_)
        return;
    request_->release();
    // Whatever the transfer then reported, the support log says why it ended.
    RequestRecord::NoteReason("the request was closed: its download was given up");
}

HRESULT CRequestBinding::Abort()
{
    const std::lock_guard<std::mutex> guard(lock_);
    if (aborted_)
        return S_OK;
    aborted_ = true;
    ::InternetCloseHandle(request_->get());
    return S_OK;
}

HRESULT CRequestBinding::QueryInterface(REFIID, void**) { return E_NOTIMPL; }
ULONG CRequestBinding::AddRef() { return 0; }
ULONG CRequestBinding::Release() { return 0; }
HRESULT CRequestBinding::Suspend() { return E_NOTIMPL; }
HRESULT CRequestBinding::Resume() { return E_NOTIMPL; }
HRESULT CRequestBinding::SetPriority(LONG) { return E_NOTIMPL; }
HRESULT CRequestBinding::GetPriority(LONG*) { return E_NOTIMPL; }
HRESULT CRequestBinding::GetBindResult(CLSID*, DWORD*, LPOLESTR*, DWORD*) { return E_NOTIMPL; }
