#include "protocol/http_client.h"

#include <algorithm>
#include <iterator>

#include "protocol/wininet_request.h"

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
    if (!ParseHttpUrl(url, &target) || !m_pSession)
        return kHttpFailed;

    SetTimeouts(m_pSession.get(), kTimeoutMs);
    m_pConnection = OpenHttpConnection(m_pSession.get(), target);
    if (!m_pConnection)
        return Fail();
    m_pFile = OpenGetRequest(m_pConnection.get(), target);
    if (!m_pFile)
        return Fail();
    // Wine applies no session time-outs to its requests; Windows requests
    // inherit them, so setting them again is harmless there.
    SetTimeouts(m_pFile.get(), kTimeoutMs);
    IgnoreCertificateProblems(m_pFile.get());

    for (const char* header : kRequestHeaders)
        ::HttpAddRequestHeadersA(m_pFile.get(), header, static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD_IF_NEW);

    if (!::HttpSendRequestA(m_pFile.get(), nullptr, 0, nullptr, 0))
        return Fail();

    // The body is text: a zero byte ends its chunk, later chunks still count.
    std::string body;
    char chunk[kReadChunk + 1];
    for (size_t total = 0; total <= kMaxResponseSize;) {
        DWORD read = 0;
        std::fill(std::begin(chunk), std::end(chunk), '\0');
        if (!::InternetReadFile(m_pFile.get(), chunk, kReadChunk, &read))
            return Fail();
        if (read == 0)
            break;
        total += read;
        chunk[read] = '\0';
        body.append(chunk);
    }
    response = body;
    CloseRequest();
    return kHttpOk;
}
