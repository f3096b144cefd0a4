// An accept loop on one address; hands each connection, on a strand of its
// own, to a callback.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

class Listener {
public:
    using OnAccept = std::function<void(boost::asio::ip::tcp::socket)>;

    explicit Listener(boost::asio::io_context& io);

    // Binds (port 0: any free port) and listens; false, with a reason, when it cannot.
    bool Listen(const boost::asio::ip::tcp::endpoint& endpoint, std::string* error);

    // The bound port, once listening.
    uint16_t port() const;

    void Accept(OnAccept on_accept);

private:
    void AcceptNext();

    boost::asio::ip::tcp::acceptor acceptor_;
    OnAccept on_accept_;
};
