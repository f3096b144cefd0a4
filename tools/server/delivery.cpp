#include "tools/server/delivery.h"

#include <optional>
#include <sstream>

#include <boost/beast/http.hpp>

namespace http = boost::beast::http;

namespace {

constexpr char kServerName[] = "pellis-server";
constexpr char kTunnelReason[] = "Connection established";

// Without `content_length` the body runs until the connection closes.
std::string Head(const Reply& reply, unsigned version, std::optional<size_t> content_length, bool keep_alive)
{
    http::response<http::empty_body> head;
    head.version(version);
    head.result(reply.status);
    head.set(http::field::server, kServerName);
    head.set(http::field::content_type, reply.content_type);
    // A file answer: its validators, of which a fault may have taken the tag.
    if (!reply.last_modified.empty()) {
        head.set(http::field::accept_ranges, "bytes");
        if (!reply.etag.empty()) head.set(http::field::etag, reply.etag);
        head.set(http::field::last_modified, reply.last_modified);
    }
    if (!reply.content_range.empty()) head.set(http::field::content_range, reply.content_range);
    if (content_length) head.content_length(*content_length);
    head.keep_alive(keep_alive);
    std::ostringstream out;
    out << head.base();
    return out.str();
}

// What a fault that cuts the body short sends of it: drop-once plays a
// connection lost late in a download, the others one lost halfway.
size_t CutLength(const Reply& reply)
{
    return reply.fault == Fault::drop_once ? reply.body.size() * 9 / 10 : reply.body.size() / 2;
}

std::string TunnelHead(unsigned version)
{
    http::response<http::empty_body> head{http::status::ok, version};
    head.reason(kTunnelReason);
    std::ostringstream out;
    out << head.base();
    return out.str();
}

}  // namespace

Delivery Deliver(const Reply& reply, unsigned version, bool keep_alive)
{
    Delivery delivery;
    if (reply.tunnel) {
        delivery.bytes = TunnelHead(version);
        delivery.after = Delivery::After::tunnel;
        return delivery;
    }
    switch (reply.fault) {
        case Fault::hang:
        case Fault::blackhole:
            delivery.answered = false;
            delivery.after = Delivery::After::hold;
            return delivery;
        case Fault::close:
        case Fault::refuse:
            delivery.answered = false;
            return delivery;
        case Fault::truncate:
        case Fault::stall:
        case Fault::drop_once:
            delivery.body_bytes = CutLength(reply);
            delivery.bytes = Head(reply, version, reply.body.size(), false) + reply.body.substr(0, delivery.body_bytes);
            if (reply.fault == Fault::stall) delivery.after = Delivery::After::hold;
            return delivery;
        case Fault::wrong_length:
            delivery.body_bytes = reply.body.size();
            delivery.bytes = Head(reply, version, reply.body.size() + 1, false) + reply.body;
            return delivery;
        case Fault::no_length:
            delivery.body_bytes = reply.body.size();
            delivery.bytes = Head(reply, version, std::nullopt, false) + reply.body;
            return delivery;
        default:
            break;
    }
    const bool keep = keep_alive;
    delivery.body_bytes = reply.body.size();
    delivery.bytes = Head(reply, version, reply.body.size(), keep) + reply.body;
    delivery.after = keep ? Delivery::After::keep_alive : Delivery::After::close;
    return delivery;
}
