#include "tools/server/server.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

Server::Server(asio::io_context& io, const ServerOptions& options, Router router)
    : io_(io),
      options_(options),
      router_(std::move(router)),
      tls_(asio::ssl::context::tls_server),
      http_(io),
      https_(io),
      proxy_(io),
      signals_(io, SIGTERM, SIGINT),
      lifetime_(io)
{
}

bool Server::Start(std::string* error)
{
    if (!log_.Open(options_.log_file, error) ||
        !UseSelfSignedCertificate(tls_, options_.cert, router_.release_host(), error)) {
        return false;
    }
    const asio::ip::address address = asio::ip::make_address(options_.bind_address);
    if (!http_.Listen(tcp::endpoint(address, options_.http_port), error) ||
        !https_.Listen(tcp::endpoint(address, options_.https_port), error) ||
        !proxy_.Listen(tcp::endpoint(address, options_.proxy_port), error)) {
        return false;
    }
    services_.emplace(Services{router_, log_, tcp::endpoint(address, https_.port())});
    if (!ReportPorts(error)) return false;

    http_.Accept([this](tcp::socket socket) { ServePlain(std::move(socket), *services_, ListenerKind::http); });
    https_.Accept([this](tcp::socket socket) { ServeTls(std::move(socket), tls_, *services_); });
    proxy_.Accept([this](tcp::socket socket) { ServePlain(std::move(socket), *services_, ListenerKind::proxy); });

    signals_.async_wait([this](boost::system::error_code ec, int) { StopOn(ec); });
    if (options_.lifetime_seconds > 0) {
        lifetime_.expires_after(std::chrono::seconds(options_.lifetime_seconds));
        lifetime_.async_wait([this](boost::system::error_code ec) { StopOn(ec); });
    }
    return true;
}

bool Server::ReportPorts(std::string* error) const
{
    const std::string line = "http=" + std::to_string(http_.port()) + " https=" + std::to_string(https_.port()) +
                             " proxy=" + std::to_string(proxy_.port()) + "\n";
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
    if (options_.ports_file.empty()) return true;

    // Written aside and renamed, so a script that sees the file sees all of it.
    const std::string partial = options_.ports_file + ".partial";
    std::ofstream out(partial, std::ios::trunc);
    out << line;
    out.close();
    if (!out || std::rename(partial.c_str(), options_.ports_file.c_str()) != 0) {
        *error = "cannot write " + options_.ports_file;
        return false;
    }
    return true;
}

void Server::StopOn(boost::system::error_code ec)
{
    if (!ec) io_.stop();
}
