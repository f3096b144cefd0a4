// The requests pellis-server saw, read from its log (one JSON object a line)
// at the Windows path in PELLIS_SERVER_LOG.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct LoggedRequest {
    std::string listener;  // "http", "https" or "proxy"
    std::string method;
    std::string host;
    std::string path;
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers;
    int status = 0;
    uint64_t bytes = 0;       // of the body sent
    uint64_t connection = 0;  // the server's number of the connection it came on
};

std::vector<LoggedRequest> ReadServerLog();

// How many requests for `host` (any port) reached the proxy: one a connection
// attempt of the program, whether a tunnel (CONNECT) or a plain GET.
size_t CountProxiedRequests(const std::vector<LoggedRequest>& log, const std::string& host);

// How many connections carried the GETs in `log`: a tunnel's requests share
// the connection of its CONNECT, plain proxied ones the proxy connection.
size_t CountConnectionsOfGets(const std::vector<LoggedRequest>& log);
