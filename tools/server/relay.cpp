#include "tools/server/relay.h"

#include <chrono>
#include <memory>
#include <optional>

#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

// One bound for connecting, sending and receiving the whole answer.
constexpr auto kRelayTimeout = std::chrono::seconds(30);
constexpr uint64_t kMaxRelayedBodyBytes = uint64_t{1} << 30;

// Fields that belong to the client's connection with the proxy, not to the request.
constexpr http::field kHopByHop[] = {http::field::connection,        http::field::proxy_connection,
                                     http::field::keep_alive,        http::field::proxy_authorization,
                                     http::field::te,                http::field::trailer,
                                     http::field::transfer_encoding, http::field::upgrade};

Request OriginFormOf(const Request& request, const TargetParts& target)
{
    Request outbound = request;
    // The path as the client sent it: a backslash or an escape reaches the
    // upstream unchanged, so it is the upstream's rules that are tried.
    std::string origin = target.path.empty() ? "/" : target.path;
    if (request.target().find('?') != beast::string_view::npos) origin += "?" + target.query;
    outbound.target(origin);
    for (http::field field : kHopByHop) outbound.erase(field);
    outbound.keep_alive(false);
    outbound.prepare_payload();
    return outbound;
}

class Relay : public std::enable_shared_from_this<Relay> {
public:
    Relay(const asio::any_io_executor& executor, Request request, std::function<void(Reply)> done)
        : stream_(executor), request_(std::move(request)), done_(std::move(done))
    {
        parser_.body_limit(kMaxRelayedBodyBytes);
    }

    void Start(const tcp::endpoint& upstream)
    {
        stream_.expires_after(kRelayTimeout);
        stream_.async_connect(upstream, [self = shared_from_this()](beast::error_code ec) {
            if (ec) return self->Fail();
            http::async_write(self->stream_, self->request_, [self](beast::error_code ec, size_t) {
                if (ec) return self->Fail();
                http::async_read(self->stream_, self->buffer_, self->parser_, [self](beast::error_code ec, size_t) {
                    if (ec) return self->Fail();
                    self->Finish();
                });
            });
        });
    }

private:
    void Finish()
    {
        http::response<http::string_body> response = parser_.release();
        Reply reply = TextReply(response.result_int(), std::move(response.body()));
        const beast::string_view type = response[http::field::content_type];
        reply.content_type = type.empty() ? kOctetStream : std::string(type);
        Done(std::move(reply));
    }

    void Fail() { Done(TextReply(502, "no answer from the upstream server\n", ErrorKind::upstream)); }

    void Done(Reply reply)
    {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        done_(std::move(reply));
    }

    beast::tcp_stream stream_;
    Request request_;
    std::function<void(Reply)> done_;
    beast::flat_buffer buffer_;
    http::response_parser<http::string_body> parser_;
};

}  // namespace

void RelayRequest(const asio::any_io_executor& executor, const tcp::endpoint& upstream, const Request& request,
                  const TargetParts& target, std::function<void(Reply)> done)
{
    std::make_shared<Relay>(executor, OriginFormOf(request, target), std::move(done))->Start(upstream);
}
