// A request of a download in flight, as another thread may stop it. The
// download hands it to its progress sink (OnStartBinding) once the request is
// open, and takes it back (OnStopBinding) before the request closes; between
// the two the sink may Abort it from any thread.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <mutex>

#include "system/handles.h"

class CRequestBinding : public IBinding {
public:
    // Announces `request` to `sink` (which may be null); `request` outlives this object.
    CRequestBinding(IBindStatusCallback* sink, InternetHandle* request);
    // Takes the binding back from the sink; a request the sink closed is not closed again.
    ~CRequestBinding();
    CRequestBinding(const CRequestBinding&) = delete;
    CRequestBinding& operator=(const CRequestBinding&) = delete;

    // Closes the request. The platform documents this as the way to end a call
    // that another thread has blocked in it (HttpSendRequest, InternetReadFile):
    // that call fails at once. Wine 8 lets the blocked call run on to its
    // time-out and only fails the calls after it.
    HRESULT STDMETHODCALLTYPE Abort() override;

    // Not reference counted: it lives on the stack of the download.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Suspend() override;
    HRESULT STDMETHODCALLTYPE Resume() override;
    HRESULT STDMETHODCALLTYPE SetPriority(LONG priority) override;
    HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override;
    HRESULT STDMETHODCALLTYPE GetBindResult(CLSID* protocol, DWORD* result, LPOLESTR* text, DWORD* reserved) override;

private:
    IBindStatusCallback* sink_;
    InternetHandle* request_;
    std::mutex lock_;
    bool aborted_ = false;
};
