#include "engine/file_download.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <wininet.h>

#include <cstdint>
#include <vector>

#include "engine/content_digest.h"
#include "engine/progress_view.h"
#include "res/resource.h"
#include "system/handles.h"

namespace {

constexpr int kAttempts = 5;
constexpr DWORD kReadChunk = 4096;
constexpr DWORD kStatusOk = 200;
const char kPartSuffix[] = ".part";

// Requests get no time-outs of their own on Windows, where WinINet's defaults
// apply. Wine applies none to requests at all, so a server that accepts and
// then stays silent would stall the run for good; this bound lies at the
// order of the platform's defaults and far above any pause of a working server.
constexpr DWORD kTransferTimeoutMs = 30000;

constexpr DWORD kHttpConnectFlags = INTERNET_FLAG_KEEP_CONNECTION;
constexpr DWORD kHttpsConnectFlags = INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_SECURE;
constexpr DWORD kHttpRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
constexpr DWORD kHttpsRequestFlags = kHttpRequestFlags | INTERNET_FLAG_SECURE | INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
// Banks serve their files with certificates of every kind of wrongness. The
// manifests are trusted on their signature and the files on the manifests'
// digests, not on the connection.
constexpr DWORD kIgnoredCertificateProblems =
    SECURITY_FLAG_IGNORE_REVOCATION | SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_WRONG_USAGE |
    SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;

enum class Outcome {
    written,   // the body is at the target
    refused,   // a status other than 200; nothing read or written
    failed,
    timedOut,
};

struct ParsedUrl {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    std::string host;
    INTERNET_PORT port = 0;
    std::string object;  // path and query, exactly as written
};

bool ParseUrl(const std::string& url, ParsedUrl* parsed)
{
    std::vector<char> host(INTERNET_MAX_HOST_NAME_LENGTH + 1);
    std::vector<char> path(url.size() + 1);
    std::vector<char> extra(url.size() + 1);
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host.data();
    parts.dwHostNameLength = static_cast<DWORD>(host.size());
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = static_cast<DWORD>(path.size());
    parts.lpszExtraInfo = extra.data();
    parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
    if (!::InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts))
        return false;
    parsed->scheme = parts.nScheme;
    parsed->host.assign(host.data(), parts.dwHostNameLength);
    parsed->port = parts.nPort;
    parsed->object.assign(path.data(), parts.dwUrlPathLength);
    parsed->object.append(extra.data(), parts.dwExtraInfoLength);
    if (parsed->object.empty())
        parsed->object = "/";
    return true;
}

// Downloads carry no user agent of their own: the program's name stands in,
// as it does for the platform's own Internet sessions.
std::string AgentName()
{
    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string name = ::PathFindFileNameA(module);
    return name.substr(0, name.rfind('.'));
}

Outcome TransferFault()
{
    return ::GetLastError() == ERROR_INTERNET_TIMEOUT ? Outcome::timedOut : Outcome::failed;
}

void PrepareRequest(HINTERNET request)
{
    DWORD timeout = kTransferTimeoutMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        ::InternetSetOptionA(request, option, &timeout, sizeof timeout);

    DWORD security = 0;
    DWORD size = sizeof security;
    ::InternetQueryOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &security, &size);
    security |= kIgnoredCertificateProblems;
    ::InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &security, sizeof security);
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
                   const std::string& expectedDigest)
{
    CContentDigest digest;
    char chunk[kReadChunk];
    uint64_t received = 0;
    for (;;) {
        DWORD read = 0;
        if (!::InternetReadFile(request, chunk, sizeof chunk, &read))
            return TransferFault();
        if (read == 0)
            break;
        received += read;
        // More than announced can never pass the length check: stop filling the disk.
        if (received > announced)
            return Outcome::failed;
        DWORD written = 0;
        if (!::WriteFile(file, chunk, read, &written, nullptr) || written != read)
            return Outcome::failed;
        digest.Update(chunk, read);
        if (progress != nullptr)
            progress->OnProgress(static_cast<ULONG>(received), announced, 0, nullptr);
    }
    if (received != announced)
        return Outcome::failed;
    if (!expectedDigest.empty() && digest.Finish() != expectedDigest)
        return Outcome::failed;
    return Outcome::written;
}

// The body goes into a file beside the target, so only a complete, checked
// body ever replaces what is there. A ".part" left by a killed run is
// truncated by the next attempt and never read.
Outcome ReceiveBody(HINTERNET request, DWORD announced, const std::string& path, IBindStatusCallback* progress,
                    const std::string& expectedDigest)
{
    const std::string partPath = path + kPartSuffix;
    Outcome outcome;
    {
        UniqueHandle part(::CreateFileA(partPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!part)
            return Outcome::failed;
        outcome = StreamBody(request, announced, part.get(), progress, expectedDigest);
    }
    if (outcome == Outcome::written && ::MoveFileExA(partPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
        return Outcome::written;
    ::DeleteFileA(partPath.c_str());
    return outcome == Outcome::written ? Outcome::failed : outcome;
}

Outcome Fetch(const std::string& url, const std::string& path, IBindStatusCallback* progress,
              const std::string& expectedDigest)
{
    ParsedUrl target;
    if (!ParseUrl(url, &target) || (target.scheme != INTERNET_SCHEME_HTTP && target.scheme != INTERNET_SCHEME_HTTPS))
        return Outcome::failed;
    const bool secure = target.scheme == INTERNET_SCHEME_HTTPS;

    InternetHandle session(
        ::InternetOpenA(AgentName().c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session)
        return TransferFault();
    InternetHandle connection(::InternetConnectA(session.get(), target.host.c_str(), target.port, nullptr, nullptr,
                                                 INTERNET_SERVICE_HTTP,
                                                 secure ? kHttpsConnectFlags : kHttpConnectFlags, 0));
    if (!connection)
        return TransferFault();
    InternetHandle request(::HttpOpenRequestA(connection.get(), "GET", target.object.c_str(), "HTTP/1.0", nullptr,
                                              nullptr, secure ? kHttpsRequestFlags : kHttpRequestFlags, 0));
    if (!request)
        return TransferFault();
    PrepareRequest(request.get());
    if (!::HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0))
        return TransferFault();
    if (QueryNumber(request.get(), HTTP_QUERY_STATUS_CODE) != kStatusOk)
        return Outcome::refused;
    return ReceiveBody(request.get(), QueryNumber(request.get(), HTTP_QUERY_CONTENT_LENGTH), path, progress,
                       expectedDigest);
}

// What a refused download may keep: a file already at the target, of the
// expected digest when one is given.
bool KeepsExistingFile(const std::string& path, const std::string& expectedDigest)
{
    if (!::PathFileExistsA(path.c_str()))
        return false;
    std::string digest;
    return expectedDigest.empty() || (DigestOfFile(path, &digest) && digest == expectedDigest);
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
    const HWND bar = ::GetDlgItem(m_pDialog, IDC_FILE_BAR);
    ::SendMessageA(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(progressMax));
    ::SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(progress), 0);
    const double percent =
        progressMax == 0 ? 0.0 : static_cast<double>(progress) * 100.0 / static_cast<double>(progressMax);
    SetDialogItemText(m_pDialog, IDC_FILE_PERCENT, PercentText(percent));
    return S_OK;
}

int DownloadAttempt(const std::string& url, const std::string& path, IBindStatusCallback* progress,
                    const std::string& expectedDigest)
{
    switch (Fetch(url, path, progress, expectedDigest)) {
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
                 const std::string& expectedDigest)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        // Never answered from a copy an earlier run left in the cache.
        ::DeleteUrlCacheEntryA(url.c_str());
        const Outcome outcome = Fetch(url, path, progress, expectedDigest);
        if (outcome == Outcome::written || (outcome == Outcome::refused && KeepsExistingFile(path, expectedDigest)))
            return 1;
    }
    return 0;
}
