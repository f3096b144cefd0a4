#include "tools/server/http_session.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <type_traits>

#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include "tools/server/delivery.h"
#include "tools/server/metrics.h"
#include "tools/server/relay.h"
#include "tools/server/request_log.h"
#include "tools/server/router.h"
#include "tools/server/tunnel.h"

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

namespace {

using PlainStream = beast::tcp_stream;
using TlsStream = beast::ssl_stream<beast::tcp_stream>;

// Bounds for a client that stalls: the handshake and each request (idle time
// before a kept-alive request included), each reply, and a close.
constexpr auto kRequestTimeout = std::chrono::seconds(15);
constexpr auto kWriteTimeout = std::chrono::seconds(30);
constexpr size_t kWriteChunk = 256 * 1024;
constexpr auto kCloseTimeout = std::chrono::seconds(5);
constexpr uint32_t kMaxHeaderBytes = 16 * 1024;
constexpr uint64_t kMaxBodyBytes = 64 * 1024;

// Numbers the accepted connections for the request log.
uint64_t NextConnectionNumber()
{
    static std::atomic<uint64_t> last{0};
    return ++last;
}

template <class Stream>
class Session : public std::enable_shared_from_this<Session<Stream>> {
public:
    Session(Stream stream, const Services& services, ListenerKind listener)
        : stream_(std::move(stream)), services_(services), listener_(listener)
    {
    }

    void Start()
    {
        if constexpr (kIsTls) {
            Lowest().expires_after(kRequestTimeout);
            stream_.async_handshake(asio::ssl::stream_base::server,
                                    [self = this->shared_from_this()](beast::error_code ec) {
                                        if (!ec) self->ReadRequest();
                                    });
        } else {
            ReadRequest();
        }
    }

private:
    static constexpr bool kIsTls = std::is_same_v<Stream, TlsStream>;

    beast::tcp_stream& Lowest() { return beast::get_lowest_layer(stream_); }

    void ReadRequest()
    {
        parser_.emplace();
        parser_->header_limit(kMaxHeaderBytes);
        parser_->body_limit(kMaxBodyBytes);
        Lowest().expires_after(kRequestTimeout);
        http::async_read(stream_, buffer_, *parser_,
                         [self = this->shared_from_this()](beast::error_code ec, size_t) { self->OnRequest(ec); });
    }

    void OnRequest(beast::error_code ec)
    {
        received_ = std::chrono::steady_clock::now();
        if (!ec) {
            const TargetParts target = DescribeTarget(parser_->get());
            const Reply reply = services_.router.Handle(listener_, parser_->get(), target);
            if (reply.relay) {
                RelayRequest(stream_.get_executor(), *reply.relay, parser_->get(), target,
                             [self = this->shared_from_this()](const Reply& answer) { self->Answer(answer); });
                return;
            }
            Answer(reply);
            return;
        }
        // A connection that ends or stalls is dropped; a request the parser
        // refuses is answered, so a test sees why.
        if (ec == http::error::end_of_stream || ec == beast::error::timeout || !parser_->got_some()) return;
        Answer(TextReply(ec == http::error::header_limit ? 431 : 400, "malformed request: " + ec.message() + "\n",
                         ErrorKind::malformed_request));
    }

    void Answer(const Reply& reply)
    {
        const Request& request = parser_->get();
        const bool keep_alive = parser_->is_done() && request.keep_alive();
        delivery_ = Deliver(reply, request.version() == 10 ? 10 : 11, keep_alive);
        if (listener_ != ListenerKind::admin) {
            services_.metrics.Count(reply, delivery_, std::chrono::steady_clock::now() - received_);
            services_.log.Write(listener_, connection_, request, DescribeTarget(request), reply, delivery_);
        }
        if (delivery_.after == Delivery::After::tunnel) {
            if constexpr (!kIsTls) {
                OpenTunnel(stream_.release_socket(), std::move(delivery_.bytes),
                           beast::buffers_to_string(buffer_.data()), services_.tunnel_target);
            }
            return;
        }
        if (!delivery_.answered) {
            if (delivery_.after == Delivery::After::hold)
                Hold();
            else
                Close();
            return;
        }
        written_ = 0;
        WriteNextChunk();
    }

    // The reply goes out in chunks, each with its own time limit: a large file
    // to a slow reader takes as long as it takes, a reader that stops does not.
    void WriteNextChunk()
    {
        if (written_ == delivery_.bytes.size()) {
            if (delivery_.after == Delivery::After::keep_alive)
                ReadRequest();
            else if (delivery_.after == Delivery::After::hold)
                Hold();
            else
                Close();
            return;
        }
        const size_t length = std::min(kWriteChunk, delivery_.bytes.size() - written_);
        Lowest().expires_after(kWriteTimeout);
        asio::async_write(stream_, asio::buffer(delivery_.bytes.data() + written_, length),
                          [self = this->shared_from_this()](beast::error_code ec, size_t sent) {
                              if (ec) return;
                              self->written_ += sent;
                              self->WriteNextChunk();
                          });
    }

    // Keeps the connection open and silent until the client goes or the server stops.
    void Hold()
    {
        Lowest().expires_never();
        DiscardInput();
    }

    // The plain close lingers: closing a socket with unread input resets the
    // connection, which can destroy a reply the client has not read yet (a
    // client still sending an oversized header, say).
    void Close()
    {
        Lowest().expires_after(kCloseTimeout);
        if constexpr (kIsTls) {
            stream_.async_shutdown([self = this->shared_from_this()](beast::error_code) {});
        } else {
            beast::error_code ignored;
            stream_.socket().shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
            DiscardInput();
        }
    }

    // Reads and drops whatever the client sends until it closes or time runs out.
    void DiscardInput()
    {
        stream_.async_read_some(asio::buffer(discarded_),
                                [self = this->shared_from_this()](beast::error_code ec, size_t) {
                                    if (!ec) self->DiscardInput();
                                });
    }

    Stream stream_;
    const Services& services_;
    const ListenerKind listener_;
    const uint64_t connection_ = NextConnectionNumber();
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    std::chrono::steady_clock::time_point received_;  // of the request being answered
    Delivery delivery_;
    size_t written_ = 0;  // bytes of delivery_ already sent
    std::array<char, 4096> discarded_{};
};

}  // namespace

void ServePlain(asio::ip::tcp::socket socket, const Services& services, ListenerKind listener)
{
    std::make_shared<Session<PlainStream>>(PlainStream(std::move(socket)), services, listener)->Start();
}

void ServeTls(asio::ip::tcp::socket socket, asio::ssl::context& tls, const Services& services)
{
    std::make_shared<Session<TlsStream>>(TlsStream(PlainStream(std::move(socket)), tls), services, ListenerKind::https)
        ->Start();
}
