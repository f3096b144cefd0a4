#include "tools/server/listener.h"

#include <boost/asio/strand.hpp>

using boost::asio::ip::tcp;

Listener::Listener(boost::asio::io_context& io) : acceptor_(io) {}

bool Listener::Listen(const tcp::endpoint& endpoint, std::string* error)
{
    boost::system::error_code ec;
    acceptor_.open(endpoint.protocol(), ec);
    if (!ec) acceptor_.set_option(tcp::acceptor::reuse_address(true), ec);
    if (!ec) acceptor_.bind(endpoint, ec);
    if (!ec) acceptor_.listen(tcp::acceptor::max_listen_connections, ec);
    if (ec) {
        *error = "cannot listen on " + endpoint.address().to_string() + ":" + std::to_string(endpoint.port()) + ": " +
                 ec.message();
        return false;
    }
    return true;
}

uint16_t Listener::port() const
{
    boost::system::error_code ec;
    return acceptor_.local_endpoint(ec).port();
}

void Listener::Accept(OnAccept on_accept)
{
    on_accept_ = std::move(on_accept);
    AcceptNext();
}

void Listener::AcceptNext()
{
    // Each connection gets a strand of its own: whichever threads run the
    // server, its reads, writes, timers and tunnel run one at a time.
    acceptor_.async_accept(boost::asio::make_strand(acceptor_.get_executor()),
                           [this](boost::system::error_code ec, tcp::socket socket) {
                               if (ec == boost::asio::error::operation_aborted) return;
                               if (!ec) on_accept_(std::move(socket));
                               AcceptNext();
                           });
}
