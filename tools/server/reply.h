// What the server decided to answer to one request, before it is put on the wire.
#pragma once

#include <optional>
#include <string>

#include <boost/asio/ip/tcp.hpp>

#include "tools/server/faults.h"

constexpr char kTextPlain[] = "text/plain";
constexpr char kOctetStream[] = "application/octet-stream";

struct Reply {
    unsigned status = 200;
    std::string content_type = kTextPlain;
    std::string body;
    Fault fault = Fault::none;
    bool tunnel = false;  // CONNECT accepted: relay to the HTTPS listener
    std::optional<boost::asio::ip::tcp::endpoint> relay;  // answered by this upstream server instead
};

inline Reply TextReply(unsigned status, std::string text)
{
    Reply reply;
    reply.status = status;
    reply.body = std::move(text);
    return reply;
}
