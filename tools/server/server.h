// The listeners with what they share, and the signals that stop the server or
// reload its banks.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/steady_timer.hpp>

#include "tools/server/http_session.h"
#include "tools/server/listener.h"
#include "tools/server/metrics.h"
#include "tools/server/options.h"
#include "tools/server/request_log.h"
#include "tools/server/router.h"

class Server {
public:
    // Reads the command line and configuration file again, for a reload.
    using ReadOptions = std::function<bool(ServerOptions* options, std::string* error)>;

    Server(boost::asio::io_context& io, const ServerOptions& options, Router router, Metrics& metrics,
           ReadOptions read_options);

    // Opens the log, makes the certificate, starts the listeners, reports their
    // ports, arms SIGTERM, SIGINT and the lifetime to stop `io`, and SIGHUP
    // to reload.
    bool Start(std::string* error);

private:
    bool ReportPorts(std::string* error) const;
    void StopOn(boost::system::error_code ec);
    void AwaitHangUp();
    void Reload();

    boost::asio::io_context& io_;
    const ServerOptions& options_;
    Router router_;
    Metrics& metrics_;
    ReadOptions read_options_;
    RequestLog log_;
    boost::asio::ssl::context tls_;
    std::optional<Services> services_;
    Listener http_;
    Listener https_;
    Listener proxy_;
    Listener admin_;
    boost::asio::signal_set stops_;
    boost::asio::signal_set hang_ups_;
    boost::asio::steady_timer lifetime_;
};
