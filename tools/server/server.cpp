#include "tools/server/server.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>

#include <json/json.h>

#include "tools/server/gbk_text.h"

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

namespace {

// Each bank's name with the version it answers (null without release).
Json::Value Serving(const BankTable& table)
{
    Json::Value serving(Json::objectValue);
    for (const Bank& bank : table.banks()) {
        serving[ReadableUtf8(bank.name)] = bank.release_version.empty() ? Json::Value() : bank.release_version;
    }
    return serving;
}

}  // namespace

Server::Server(asio::io_context& io, const ServerOptions& options, Router router, Metrics& metrics,
               ReadOptions read_options)
    : io_(io),
      options_(options),
      router_(std::move(router)),
      metrics_(metrics),
      read_options_(std::move(read_options)),
      tls_(asio::ssl::context::tls_server),
      http_(io),
      https_(io),
      proxy_(io),
      admin_(io),
      stops_(io, SIGTERM, SIGINT),
      hang_ups_(io, SIGHUP),
      lifetime_(io)
{
}

bool Server::Start(std::string* error)
{
    // Made once: the names of releases published later are not added.
    std::vector<std::string> cert_hosts;
    for (const Bank& bank : router_.banks()->banks()) {
        if (!bank.release_host.empty()) cert_hosts.push_back(bank.release_host);
    }
    if (!log_.Open(options_.log_file, error) || !UseSelfSignedCertificate(tls_, options_.cert, cert_hosts, error)) {
        return false;
    }
    const asio::ip::address address = asio::ip::make_address(options_.bind_address);
    if (!http_.Listen(tcp::endpoint(address, options_.http_port), error) ||
        !https_.Listen(tcp::endpoint(address, options_.https_port), error) ||
        !proxy_.Listen(tcp::endpoint(address, options_.proxy_port), error) ||
        (options_.admin_port && !admin_.Listen(tcp::endpoint(address, *options_.admin_port), error))) {
        return false;
    }
    services_.emplace(Services{router_, log_, metrics_, tcp::endpoint(address, https_.port())});
    if (!ReportPorts(error)) return false;

    http_.Accept([this](tcp::socket socket) { ServePlain(std::move(socket), *services_, ListenerKind::http); });
    https_.Accept([this](tcp::socket socket) { ServeTls(std::move(socket), tls_, *services_); });
    proxy_.Accept([this](tcp::socket socket) { ServePlain(std::move(socket), *services_, ListenerKind::proxy); });
    if (options_.admin_port) {
        admin_.Accept([this](tcp::socket socket) { ServePlain(std::move(socket), *services_, ListenerKind::admin); });
    }

    stops_.async_wait([this](boost::system::error_code ec, int) { StopOn(ec); });
    AwaitHangUp();
    if (options_.lifetime_seconds > 0) {
        lifetime_.expires_after(std::chrono::seconds(options_.lifetime_seconds));
        lifetime_.async_wait([this](boost::system::error_code ec) { StopOn(ec); });
    }
    return true;
}

bool Server::ReportPorts(std::string* error) const
{
    std::string line = "http=" + std::to_string(http_.port()) + " https=" + std::to_string(https_.port()) +
                       " proxy=" + std::to_string(proxy_.port());
    if (options_.admin_port) line += " admin=" + std::to_string(admin_.port());
    line += "\n";
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

void Server::AwaitHangUp()
{
    hang_ups_.async_wait([this](boost::system::error_code ec, int) {
        if (ec) return;
        Reload();
        AwaitHangUp();
    });
}

// One JSON line on stderr, which the service manager keeps, whatever the outcome.
void Server::Reload()
{
    ServerOptions fresh;
    std::string error;
    const bool ok = read_options_(&fresh, &error) && router_.Reload(fresh, &error);
    Json::Value event(Json::objectValue);
    event["event"] = "reload";
    event["ok"] = ok;
    if (!ok) event["error"] = ReadableUtf8(error);
    event["serving"] = Serving(*router_.banks());
    WriteJsonLine(stderr, event);
}
