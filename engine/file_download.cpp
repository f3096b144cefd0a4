#include "engine/file_download.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <wininet.h>

#include <cstdint>
#include <vector>

#include "engine/content_digest.h"
#include "engine/download_session.h"
#include "engine/progress_view.h"
#include "protocol/request_record.h"
#include "protocol/wininet_request.h"
#include "res/resource.h"
#include "system/handles.h"

namespace {

constexpr int kAttempts = 5;
constexpr DWORD kStatusOk = 200;
const char kPartSuffix[] = ".part";
constexpr DWORD kProgressRefreshMs = 100;

// Requests get no time-outs of their own on Windows, where WinINet's defaults
// apply. Wine applies none to requests at all, so a server that accepts and
// then stays silent would stall the run for good; this bound lies at the
// order of the platform's defaults and far above any pause of a working server.
constexpr DWORD kTransferTimeoutMs = 30000;

enum class Outcome {
    written,   // the body is at the target
    refused,   // a status other than 200; nothing read or written
    failed,
    timedOut,
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

// 0 when the header is absent.
DWORD QueryNumber(HINTERNET request, DWORD header)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!::HttpQueryInfoA(request, header | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr))
        return 0;
    return value;
}

Outcome StreamBody(HINTERNET request, DWORD announced, HANDLE file, IBindStatusCallback* progress,
                   const FileDigests& expected)
{
    const bool checked = !expected.sha1.empty() || !expected.sha256.empty();
    CContentDigest sha1;
    CContentDigest sha256(DigestKind::Sha256);
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
        if (received > announced) {
            RequestRecord::NoteReason("more bytes than Content-Length announced");
            return Outcome::failed;
        }
        DWORD written = 0;
        if (!::WriteFile(file, chunk.data(), read, &written, nullptr) || written != read)
            return Outcome::failed;
        if (checked) {
            sha1.Update(chunk.data(), read);
            if (!expected.sha256.empty())
                sha256.Update(chunk.data(), read);
        }
        if (progress != nullptr)
            progress->OnProgress(static_cast<ULONG>(received), announced, 0, nullptr);
    }
    if (received != announced) {
        RequestRecord::NoteReason("fewer bytes than Content-Length announced");
        return Outcome::failed;
    }
    if (checked && !MatchesListedDigests({sha1.Finish(), expected.sha256.empty() ? "" : sha256.Finish()}, expected)) {
        RequestRecord::NoteReason("refused: digest differs from the manifest's");
        return Outcome::failed;
    }
    return Outcome::written;
}

// The body goes into a file beside the target, so only a complete, checked
// body ever replaces what is there. A ".part" left by a killed run is
// truncated by the next attempt and never read.
Outcome ReceiveBody(HINTERNET request, DWORD announced, const std::string& path, IBindStatusCallback* progress,
                    const FileDigests& expected)
{
    const std::string partPath = path + kPartSuffix;
    Outcome outcome;
    {
        // Made new: a ".part" that is already there may be a link or a second
        // name of another file, which overwriting it would write into.
        ::DeleteFileA(partPath.c_str());
        UniqueHandle part(::CreateFileA(partPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                        nullptr));
        if (!part)
            return Outcome::failed;
        outcome = StreamBody(request, announced, part.get(), progress, expected);
    }
    if (outcome == Outcome::written && ::MoveFileExA(partPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
        return Outcome::written;
    ::DeleteFileA(partPath.c_str());
    return outcome == Outcome::written ? Outcome::failed : outcome;
}

Outcome Transfer(const std::string& url, const std::string& path, IBindStatusCallback* progress,
                 const FileDigests& expected)
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
    PrepareRequest(request.get());
    if (!::HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0))
        return TransferFault();
    RequestRecord::NoteStatus(QueryNumber(request.get(), HTTP_QUERY_STATUS_CODE));
    if (QueryNumber(request.get(), HTTP_QUERY_STATUS_CODE) != kStatusOk)
        return Outcome::refused;
    return ReceiveBody(request.get(), QueryNumber(request.get(), HTTP_QUERY_CONTENT_LENGTH), path, progress,
                       expected);
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
    case Outcome::failed:
        break;
    }
    return "failed";
}

// One request, with its line in the support log.
Outcome Fetch(const std::string& url, const std::string& path, IBindStatusCallback* progress,
              const FileDigests& expected)
{
    RequestRecord record(url);
    const Outcome outcome = Transfer(url, path, progress, expected);
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

HRESULT CBindCallback::QueryInterface(REFIID, void**) { return E_NOTIMPL; }
ULONG CBindCallback::AddRef() { return 0; }
ULONG CBindCallback::Release() { return 0; }
HRESULT CBindCallback::OnStartBinding(DWORD, IBinding*) { return E_NOTIMPL; }
HRESULT CBindCallback::GetPriority(LONG*) { return E_NOTIMPL; }
HRESULT CBindCallback::OnLowResource(DWORD) { return E_NOTIMPL; }
HRESULT CBindCallback::OnStopBinding(HRESULT, LPCWSTR) { return E_NOTIMPL; }
HRESULT CBindCallback::GetBindInfo(DWORD*, BINDINFO*) { return E_NOTIMPL; }
HRESULT CBindCallback::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }
HRESULT CBindCallback::OnObjectAvailable(REFIID, IUnknown*) { return E_NOTIMPL; }

HRESULT CBindCallback::OnProgress(ULONG progress, ULONG progressMax, ULONG, LPCWSTR)
{
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
    switch (Fetch(url, path, progress, expected)) {
    case Outcome::written:
    case Outcome::refused:
        return kAttemptDone;
    case Outcome::timedOut:
        return kAttemptTimedOut;
    case Outcome::failed:
        break;
    }
    return kAttemptFailed;
}

int DownloadFile(const std::string& url, const std::string& path, IBindStatusCallback* progress,
                 const FileDigests& expected)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        // Never answered from a copy an earlier run left in the cache.
        ::DeleteUrlCacheEntryA(url.c_str());
        const Outcome outcome = Fetch(url, path, progress, expected);
        if (outcome == Outcome::written || (outcome == Outcome::refused && KeepsExistingFile(path, expected)))
            return 1;
    }
    return 0;
}
