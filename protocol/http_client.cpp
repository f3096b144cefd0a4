#include "protocol/http_client.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

const char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727)";
constexpr DWORD kTimeoutMs = 3000;
constexpr DWORD kReadChunk = 1024;

const char* const kRequestHeaders[] = {
    "Accept: *,*/*",
    "Accept-Language: zh-cn",
    "Content-Type: application/x-www-form-urlencoded",
    "Accept-Encoding: gzip, deflate",
};

constexpr DWORD kHttpConnectFlags = INTERNET_FLAG_KEEP_CONNECTION;
constexpr DWORD kHttpsConnectFlags = INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_SECURE;
constexpr DWORD kHttpRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
// Banks run servers with certificates of every kind of wrongness; the
// envelope's own digest is what the answer is trusted on.
constexpr DWORD kHttpsRequestFlags = kHttpRequestFlags | INTERNET_FLAG_SECURE | INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
constexpr DWORD kIgnoredCertificateProblems =
    SECURITY_FLAG_IGNORE_REVOCATION | SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_WRONG_USAGE |
    SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;

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

void SetTimeouts(HINTERNET handle)
{
    DWORD timeout = kTimeoutMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        ::InternetSetOptionA(handle, option, &timeout, sizeof timeout);
}

}  // namespace

int HttpFailureResult(DWORD error)
{
    return error == ERROR_INTERNET_TIMEOUT ? kHttpTimedOut : kHttpFailed;
}

CHttpClient::CHttpClient()
    : m_pSession(::InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0))
{
}

CHttpClient::~CHttpClient()
{
    CloseRequest();
}

void CHttpClient::CloseRequest()
{
    m_pFile.reset();
    m_pConnection.reset();
}

int CHttpClient::Fail()
{
    const DWORD error = ::GetLastError();
    CloseRequest();
    return HttpFailureResult(error);
}

int CHttpClient::HttpGet(const std::string& url, std::string& response)
{
    ParsedUrl target;
    if (!ParseUrl(url, &target) || (target.scheme != INTERNET_SCHEME_HTTP && target.scheme != INTERNET_SCHEME_HTTPS))
        return kHttpFailed;
    if (!m_pSession)
        return kHttpFailed;
    const bool secure = target.scheme == INTERNET_SCHEME_HTTPS;

    SetTimeouts(m_pSession.get());
    m_pConnection.reset(::InternetConnectA(m_pSession.get(), target.host.c_str(), target.port, nullptr, nullptr,
                                           INTERNET_SERVICE_HTTP, secure ? kHttpsConnectFlags : kHttpConnectFlags, 0));
    if (!m_pConnection)
        return Fail();
    m_pFile.reset(::HttpOpenRequestA(m_pConnection.get(), "GET", target.object.c_str(), "HTTP/1.0", nullptr, nullptr,
                                     secure ? kHttpsRequestFlags : kHttpRequestFlags, 0));
    // Wine applies no session time-outs to its requests; Windows requests
    // inherit them, so setting them again is harmless there.
    SetTimeouts(m_pFile.get());

    DWORD security = 0;
    DWORD size = sizeof security;
    ::InternetQueryOptionA(m_pFile.get(), INTERNET_OPTION_SECURITY_FLAGS, &security, &size);
    security |= kIgnoredCertificateProblems;
    ::InternetSetOptionA(m_pFile.get(), INTERNET_OPTION_SECURITY_FLAGS, &security, sizeof security);

    for (const char* header : kRequestHeaders)
        ::HttpAddRequestHeadersA(m_pFile.get(), header, static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD_IF_NEW);

    if (!::HttpSendRequestA(m_pFile.get(), nullptr, 0, nullptr, 0))
        return Fail();

    // The body is text: a zero byte ends its chunk, later chunks still count.
    std::string body;
    char chunk[kReadChunk + 1];
    for (;;) {
        DWORD read = 0;
        std::fill(std::begin(chunk), std::end(chunk), '\0');
        if (!::InternetReadFile(m_pFile.get(), chunk, kReadChunk, &read))
            return Fail();
        if (read == 0)
            break;
        chunk[read] = '\0';
        body.append(chunk);
    }
    response = body;
    CloseRequest();
    return kHttpOk;
}
