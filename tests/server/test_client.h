// A Beast client for the server's three listeners, bounded in time: every
// call returns by its limit whatever the server does.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <boost/beast/core/string.hpp>
#include <boost/system/error_code.hpp>

#include "server_process.h"

constexpr char kBankHost[] = "ebank.aldmoor.example";

// How a request reaches the server: straight to the plain or TLS listener, as
// an absolute-URI request to the proxy, through a CONNECT tunnel and TLS, or
// to the admin listener.
enum class Route { http, https, proxy, tunnel, admin };

const char* RouteName(Route route);

struct Get {
    Get(Route route, std::string target, std::string host = kBankHost, unsigned version = 10)
        : route(route), target(std::move(target)), host(std::move(host)), version(version)
    {
    }

    Route route;
    std::string target;  // origin form, "/download/811/Digest.xml"
    std::string host;
    unsigned version;                                          // 10 by default, as the downloader sends
    std::vector<std::pair<std::string, std::string>> headers;  // after Host, in this order
};

struct Response {
    boost::system::error_code error;  // of reading the response (timeout, partial message, ...)
    unsigned status = 0;              // 0: no response header arrived
    std::optional<size_t> content_length;
    std::string content_type;
    std::map<std::string, std::string, boost::beast::iless> fields;  // of the header, by name
    std::string body;     // as much as arrived
    bool closed = false;  // the server closed the connection after a complete response

    // The header field's value; empty when the response has none.
    std::string Field(const std::string& name) const;
};

constexpr std::chrono::milliseconds kPatience{10000};

Response Fetch(const Ports& ports, const Get& get, std::chrono::milliseconds limit = kPatience);

// Sends `bytes` as they are to `port` and reads one response.
Response SendRaw(uint16_t port, const std::string& bytes, std::chrono::milliseconds limit = kPatience);

struct CertificateFacts {
    bool received = false;
    bool expired = false;
    bool names_bank_host = false;
};

CertificateFacts PeerCertificate(uint16_t https_port);
