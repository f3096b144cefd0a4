#include "protocol/wininet_request.h"

#include <vector>

#include "protocol/content_length.h"

namespace {

constexpr DWORD kHttpConnectFlags = INTERNET_FLAG_KEEP_CONNECTION;
constexpr DWORD kHttpsConnectFlags = INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_SECURE;
constexpr DWORD kHttpRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
constexpr DWORD kHttpsRequestFlags = kHttpRequestFlags | INTERNET_FLAG_SECURE | INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
constexpr DWORD kIgnoredCertificateProblems =
    SECURITY_FLAG_IGNORE_REVOCATION | SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_WRONG_USAGE |
    SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;

}  // namespace

bool ParseHttpUrl(const std::string& url, ParsedUrl* parsed)
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
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return false;
    parsed->secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    parsed->host.assign(host.data(), parts.dwHostNameLength);
    parsed->port = parts.nPort;
    parsed->object.assign(path.data(), parts.dwUrlPathLength);
    parsed->object.append(extra.data(), parts.dwExtraInfoLength);
    if (parsed->object.empty())
        parsed->object = "/";
    return true;
}

InternetHandle OpenHttpConnection(HINTERNET session, const ParsedUrl& target)
{
    return InternetHandle(::InternetConnectA(session, target.host.c_str(), target.port, nullptr, nullptr,
                                             INTERNET_SERVICE_HTTP,
                                             target.secure ? kHttpsConnectFlags : kHttpConnectFlags, 0));
}

InternetHandle OpenGetRequest(HINTERNET connection, const ParsedUrl& target)
{
    return InternetHandle(::HttpOpenRequestA(connection, "GET", target.object.c_str(), "HTTP/1.0", nullptr, nullptr,
                                             target.secure ? kHttpsRequestFlags : kHttpRequestFlags, 0));
}

InternetHandle OpenKeptAliveGetRequest(HINTERNET connection, const ParsedUrl& target)
{
    const DWORD flags = (target.secure ? kHttpsRequestFlags : kHttpRequestFlags) | INTERNET_FLAG_KEEP_CONNECTION;
    return InternetHandle(::HttpOpenRequestA(connection, "GET", target.object.c_str(), "HTTP/1.1", nullptr, nullptr,
                                             flags, 0));
}

void IgnoreCertificateProblems(HINTERNET request)
{
    DWORD security = 0;
    DWORD size = sizeof security;
    ::InternetQueryOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &security, &size);
    security |= kIgnoredCertificateProblems;
    ::InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &security, sizeof security);
}

bool SetTimeouts(HINTERNET handle, DWORD milliseconds)
{
    if (handle == nullptr)
        return false;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        ::InternetSetOptionA(handle, option, &milliseconds, sizeof milliseconds);
    return true;
}

DWORD QueryNumberHeader(HINTERNET request, DWORD header)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    return ::HttpQueryInfoA(request, header | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) ? value : 0;
}

std::string QueryTextHeader(HINTERNET request, DWORD header)
{
    char text[256] = {};
    DWORD size = sizeof text;
    if (!::HttpQueryInfoA(request, header, text, &size, nullptr))
        return std::string();
    return std::string(text, size);
}

uint64_t QueryContentLength(HINTERNET request)
{
    uint64_t length = 0;
    return ParseContentLength(QueryTextHeader(request, HTTP_QUERY_CONTENT_LENGTH), &length) ? length : 0;
}
