// What the program's two WinINet clients (the version query and the file
// download) share: how a URL is split, the flags a GET of each scheme
// carries, and the certificate problems both ignore.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

#include "system/handles.h"

struct ParsedUrl {
    bool secure = false;  // https
    std::string host;
    INTERNET_PORT port = 0;
    std::string object;  // path and query, exactly as written
};

// False for a URL that does not split or whose scheme is neither http nor https.
bool ParseHttpUrl(const std::string& url, ParsedUrl* parsed);

// The connection and the GET request with the scheme's flags; invalid on failure.
InternetHandle OpenHttpConnection(HINTERNET session, const ParsedUrl& target);
// An HTTP/1.0 GET without keep-alive flags: the version query's form.
InternetHandle OpenGetRequest(HINTERNET connection, const ParsedUrl& target);
// An HTTP/1.1 GET that keeps its connection for the session's next request to
// the same host: a run's downloads, a few at a time, each reuse a connection
// an earlier one left.
InternetHandle OpenKeptAliveGetRequest(HINTERNET connection, const ParsedUrl& target);

// Banks serve with certificates of every kind of wrongness; what arrives is
// trusted on its envelope digest, manifest signature or file digest instead.
void IgnoreCertificateProblems(HINTERNET request);

// A numeric header (HTTP_QUERY_STATUS_CODE); 0 when it is absent.
DWORD QueryNumberHeader(HINTERNET request, DWORD header);
// A header as written; empty when it is absent.
std::string QueryTextHeader(HINTERNET request, DWORD header);
// Content-Length in 64 bits (ParseContentLength); 0 when absent or no number.
uint64_t QueryContentLength(HINTERNET request);

// Connect, send and receive time-outs of a handle. A null handle is refused
// (false, nothing set): WinINet takes null as "the whole process" and would
// change the time-outs of every later session.
bool SetTimeouts(HINTERNET handle, DWORD milliseconds);
