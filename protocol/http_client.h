// One HTTP or HTTPS GET of a complete URL over WinINet, for the version query.
//
// Deliberately lenient, because the bank's servers and the answers' own
// envelope digest decide what is usable: the same fixed headers for every
// server, every certificate problem ignored, the status code never examined,
// no content decoding.
#pragma once

#include <cstddef>
#include <string>

#include "protocol/http_result.h"
#include "system/handles.h"

// No answer of the version query comes near this; a longer body is not read
// further, so a hostile server cannot make a 32-bit process run out of memory.
constexpr size_t kMaxResponseSize = 64 * 1024;

class CHttpClient {
public:
    // Opens the Internet session with the system's configured proxy settings.
    CHttpClient();
    virtual ~CHttpClient();
    CHttpClient(const CHttpClient&) = delete;
    CHttpClient& operator=(const CHttpClient&) = delete;

    // 0 with `response` replaced by the body; 1 on failure; 2 when the failure
    // was a WinINet time-out. On failure `response` is left as it was. Reading
    // stops after more than kMaxResponseSize bytes: a longer response is
    // longer than kMaxResponseSize, never the whole body.
    int HttpGet(const std::string& url, std::string& response);

    // Closes the request and the connection of the request in progress.
    void CloseRequest();

private:
    int Fail();

    InternetHandle m_pSession;
    InternetHandle m_pConnection;  // only while HttpGet runs
    InternetHandle m_pFile;        // the request; only while HttpGet runs
};

// Maps a WinINet error code to HttpGet's failure result.
int HttpFailureResult(DWORD error);
