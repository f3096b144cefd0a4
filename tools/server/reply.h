// What the server decided to answer to one request, before it is put on the wire.
#pragma once

#include <optional>
#include <string>

#include <boost/asio/ip/tcp.hpp>

#include "tools/server/faults.h"

namespace prometheus {
class Counter;
}

constexpr char kTextPlain[] = "text/plain";
constexpr char kOctetStream[] = "application/octet-stream";

// Why a request was not served as asked, for the metrics.
enum class ErrorKind {
    none,
    malformed_request,   // the request could not be read
    method_not_allowed,  // anything but GET
    unknown_host,        // no bank answers the request's host
    not_found,           // no such file
    bad_query,           // a version query that does not open or lacks a part
    unknown_bank,        // a version query for a bank without release here
    internal,            // the server could not read or seal what it should
    upstream,            // the proxy's upstream did not answer
};

struct Reply {
    unsigned status = 200;
    std::string content_type = kTextPlain;
    std::string body;
    // A file answer's, which a client may resume: its validators, and the
    // Content-Range of a 206 or 416. Empty for every other answer.
    std::string etag;
    std::string last_modified;
    std::string content_range;
    Fault fault = Fault::none;
    bool tunnel = false;  // CONNECT accepted: relay to the HTTPS listener
    std::optional<boost::asio::ip::tcp::endpoint> relay;  // answered by this upstream server instead
    ErrorKind error = ErrorKind::none;
    // A version answer adds one here once sent; it counts the answers of one
    // bank and version, and lives as long as the server.
    prometheus::Counter* version_answers = nullptr;
};

inline Reply TextReply(unsigned status, std::string text, ErrorKind error = ErrorKind::none)
{
    Reply reply;
    reply.status = status;
    reply.body = std::move(text);
    reply.error = error;
    return reply;
}
