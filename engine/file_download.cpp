#include "engine/file_download.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <wininet.h>

#include <cstdint>
#include <vector>

#include "engine/content_digest.h"
#include "engine/download_session.h"
#include "engine/part_file.h"
#include "engine/progress_units.h"
#include "engine/progress_view.h"
#include "engine/request_binding.h"
#include "protocol/request_record.h"
#include "protocol/resume_range.h"
#include "protocol/wininet_request.h"
#include "res/resource.h"
#include "system/handles.h"

namespace {

constexpr int kAttempts = 5;
constexpr DWORD kStatusOk = 200;
constexpr DWORD kStatusPartial = 206;
constexpr DWORD kProgressRefreshMs = 100;

enum class Outcome {
    written,    // the body is at the target
    refused,    // a status other than 200 (or 206 to a resume); no body read
    failed,
    timedOut,
    abandoned,  // the progress sink answered E_ABORT
};

Outcome TransferFault()
{
    return ::GetLastError() == ERROR_INTERNET_TIMEOUT ? Outcome::timedOut : Outcome::failed;
}

void PrepareRequest(HINTERNET request)
{
    SetTimeouts(request, kTransferTimeoutMs);
    IgnoreCertificateProblems(request);
}

// The body into the part file, after the bytes it holds. What arrived before
// the connection broke stays there for the next attempt to continue.
Outcome ReceiveBody(HINTERNET request, CPartFile* part, IBindStatusCallback* progress, const FileDigests& expected)
{
    std::vector<char> chunk(kDownloadReadChunk);
    uint64_t received = 0;
    for (;;) {
        DWORD read = 0;
        if (!::InternetReadFile(request, chunk.data(), kDownloadReadChunk, &read))
            return TransferFault();
        if (read == 0)
            break;
        received += read;
        RequestRecord::NoteBytes(received);
        // More than announced can never pass the length check: stop filling the disk.
        if (part->size() + read > part->total()) {
            RequestRecord::NoteReason("more bytes than Content-Length announced");
            part->Discard();
            return Outcome::failed;
        }
        if (!part->Append(chunk.data(), read))
            return Outcome::failed;
        const ProgressUnits units = ScaleProgress(part->size(), part->total());
        if (progress != nullptr && progress->OnProgress(units.received, units.total, kDataReport, nullptr) == E_ABORT)
            return Outcome::abandoned;
    }
    if (part->size() != part->total()) {
        RequestRecord::NoteReason("fewer bytes than Content-Length announced");
        return Outcome::failed;
    }
    if (!part->IsComplete(expected)) {
        RequestRecord::NoteReason("refused: digest differs from the manifest's");
        part->Discard();
        return Outcome::failed;
    }
    return part->MoveOverTarget() ? Outcome::written : Outcome::failed;
}

// A partial answer must be exactly the rest of the version of the file whose
// first bytes the part holds, under the same strong tag; anything else would
// splice two files together.
bool ContinuesPart(HINTERNET request, const CPartFile& part)
{
    const ResumeAnswer answer{QueryTextHeader(request, HTTP_QUERY_ETAG), QueryTextHeader(request, HTTP_QUERY_CONTENT_RANGE),
                              QueryContentLength(request)};
    return ContinuesHeldBytes(answer, part.validator(), part.size(), part.total());
}

Outcome Transfer(const std::string& url, CPartFile* part, IBindStatusCallback* progress, const FileDigests& expected)
{
    ParsedUrl target;
    if (!ParseHttpUrl(url, &target))
        return Outcome::failed;

    const HINTERNET session = DownloadSession();
    if (session == nullptr)
        return TransferFault();
    InternetHandle connection = OpenHttpConnection(session, target);
    if (!connection)
        return TransferFault();
    InternetHandle request = OpenKeptAliveGetRequest(connection.get(), target);
    if (!request)
        return TransferFault();
    const CRequestBinding binding(progress, &request);
    PrepareRequest(request.get());
    const bool resuming = part->Resumable();
    const std::string headers = resuming ? ResumeRequestHeaders(part->size(), part->validator()) : std::string();
    if (!::HttpSendRequestA(request.get(), resuming ? headers.c_str() : nullptr, static_cast<DWORD>(headers.size()),
                            nullptr, 0))
        return TransferFault();
    const DWORD status = QueryNumberHeader(request.get(), HTTP_QUERY_STATUS_CODE);
    RequestRecord::NoteStatus(status);
    if (resuming && status == kStatusPartial) {
        if (!ContinuesPart(request.get(), *part)) {
            RequestRecord::NoteReason("refused: the partial answer is not the rest of the file");
            part->Discard();
            return Outcome::failed;
        }
        return ReceiveBody(request.get(), part, progress, expected);
    }
    if (status != kStatusOk) {
        // The next attempt asks for the whole file again.
        part->Discard();
        return Outcome::refused;
    }
    // A whole body: what the part held is dropped, whichever answer it came from.
    if (!part->StartBody(QueryContentLength(request.get()), ResumeValidator(QueryTextHeader(request.get(), HTTP_QUERY_ETAG))))
        return Outcome::failed;
    return ReceiveBody(request.get(), part, progress, expected);
}

const char* OutcomeName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::written:
        return "written";
    case Outcome::refused:
        return "refused by the server";
    case Outcome::timedOut:
        return "timed out";
    case Outcome::abandoned:
        return "abandoned";
    case Outcome::failed:
        break;
    }
    return "failed";
}

// One request, with its line in the support log.
Outcome Fetch(const std::string& url, CPartFile* part, IBindStatusCallback* progress, const FileDigests& expected)
{
    RequestRecord record(url);
    const Outcome outcome = Transfer(url, part, progress, expected);
    record.Finish(OutcomeName(outcome));
    return outcome;
}

// What a refused download may keep: a file already at the target, of the
// expected digests when they are given.
bool KeepsExistingFile(const std::string& path, const FileDigests& expected)
{
    if (!::PathFileExistsA(path.c_str()))
        return false;
    if (expected.sha1.empty() && expected.sha256.empty())
        return true;
    FileDigests actual;
    return DigestsOfFile(path, &actual) && MatchesListedDigests(actual, expected);
}

}  // namespace

CBindCallback::CBindCallback(HWND dialog) : m_pDialog(dialog) {}

HRESULT CProgressSink::QueryInterface(REFIID, void**) { return E_NOTIMPL; }
ULONG CProgressSink::AddRef() { return 0; }
ULONG CProgressSink::Release() { return 0; }
HRESULT CProgressSink::OnStartBinding(DWORD, IBinding*) { return E_NOTIMPL; }
HRESULT CProgressSink::GetPriority(LONG*) { return E_NOTIMPL; }
HRESULT CProgressSink::OnLowResource(DWORD) { return E_NOTIMPL; }
HRESULT CProgressSink::OnStopBinding(HRESULT, LPCWSTR) { return E_NOTIMPL; }
HRESULT CProgressSink::GetBindInfo(DWORD*, BINDINFO*) { return E_NOTIMPL; }
HRESULT CProgressSink::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }
HRESULT CProgressSink::OnObjectAvailable(REFIID, IUnknown*) { return E_NOTIMPL; }

HRESULT CBindCallback::OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode, LPCWSTR)
{
    if (statusCode != kDataReport)
        return S_OK;
    // Every shown report is a synchronous repaint on the user-interface
    // thread, and a fast transfer reports far more often than anyone can
    // see: repainting each one made the dialog, not the network, set the pace.
    const DWORD now = ::GetTickCount();
    const bool sameTransfer = m_shown && progressMax == m_lastProgressMax && progress >= m_lastProgress;
    m_lastProgress = progress;
    m_lastProgressMax = progressMax;
    if (sameTransfer && progress < progressMax && now - m_shownTick < kProgressRefreshMs)
        return S_OK;
    m_shown = true;
    m_shownTick = now;
    const HWND bar = ::GetDlgItem(m_pDialog, IDC_FILE_BAR);
    ::SendMessageA(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(progressMax));
    ::SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(progress), 0);
    const double percent =
        progressMax == 0 ? 0.0 : static_cast<double>(progress) * 100.0 / static_cast<double>(progressMax);
    SetDialogItemText(m_pDialog, IDC_FILE_PERCENT, PercentText(percent));
    return S_OK;
}

int DownloadAttempt(const std::string& url, const std::string& path, IBindStatusCallback* progress,
                    const FileDigests& expected)
{
    CPartFile part(path, expected);
    switch (Fetch(url, &part, progress, expected)) {
    case Outcome::written:
    case Outcome::refused:
        return kAttemptDone;
    case Outcome::timedOut:
        return kAttemptTimedOut;
    case Outcome::failed:
    case Outcome::abandoned:
        break;
    }
    return kAttemptFailed;
}

int DownloadFile(const std::string& url, const std::string& path, IBindStatusCallback* progress,
                 const FileDigests& expected)
{
    CPartFile part(path, expected);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        // A download abandoned while it waited on a silent server learns it here.
        if (progress != nullptr && progress->OnProgress(0, 0, BINDSTATUS_CONNECTING, nullptr) == E_ABORT)
            return 0;
        // Never answered from a copy an earlier run left in the cache.
        ::DeleteUrlCacheEntryA(url.c_str());
        const Outcome outcome = Fetch(url, &part, progress, expected);
        if (outcome == Outcome::written || (outcome == Outcome::refused && KeepsExistingFile(path, expected)))
            return 1;
        if (outcome == Outcome::abandoned)
            return 0;
    }
    return 0;
}
