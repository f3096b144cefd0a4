#include "tools/server/tunnel.h"

#include <array>
#include <memory>

#include <boost/asio/write.hpp>

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using boost::system::error_code;

namespace {

constexpr size_t kChunkBytes = 16 * 1024;

class Tunnel : public std::enable_shared_from_this<Tunnel> {
public:
    Tunnel(tcp::socket client, std::string greeting, std::string early_bytes)
        : client_(std::move(client)),
          upstream_(client_.get_executor()),
          greeting_(std::move(greeting)),
          early_bytes_(std::move(early_bytes))
    {
    }

    void Start(const tcp::endpoint& target)
    {
        upstream_.async_connect(target, [self = shared_from_this()](error_code ec) {
            if (!ec) self->Greet();
        });
    }

private:
    struct Direction {
        tcp::socket& from;
        tcp::socket& to;
        std::array<char, kChunkBytes> buffer{};
    };

    void Greet()
    {
        asio::async_write(client_, asio::buffer(greeting_), [self = shared_from_this()](error_code ec, size_t) {
            if (ec) return;
            asio::async_write(self->upstream_, asio::buffer(self->early_bytes_), [self](error_code ec, size_t) {
                if (ec) return;
                self->Relay(self->outbound_);
                self->Relay(self->inbound_);
            });
        });
    }

    void Relay(Direction& direction)
    {
        direction.from.async_read_some(
            asio::buffer(direction.buffer), [self = shared_from_this(), &direction](error_code ec, size_t length) {
                if (ec == asio::error::eof) {
                    // Pass the half-close on, so the other side can finish its answer.
                    error_code ignored;
                    direction.to.shutdown(tcp::socket::shutdown_send, ignored);
                    return;
                }
                if (ec) return self->Abort();
                asio::async_write(direction.to, asio::buffer(direction.buffer.data(), length),
                                  [self, &direction](error_code ec, size_t) {
                                      if (ec) return self->Abort();
                                      self->Relay(direction);
                                  });
            });
    }

    void Abort()
    {
        error_code ignored;
        client_.close(ignored);
        upstream_.close(ignored);
    }

    tcp::socket client_;
    tcp::socket upstream_;
    std::string greeting_;
    std::string early_bytes_;
    Direction outbound_{client_, upstream_};
    Direction inbound_{upstream_, client_};
};

}  // namespace

void OpenTunnel(tcp::socket client, std::string greeting, std::string early_bytes, const tcp::endpoint& target)
{
    std::make_shared<Tunnel>(std::move(client), std::move(greeting), std::move(early_bytes))->Start(target);
}
