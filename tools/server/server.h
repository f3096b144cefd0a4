// The three listeners with what they share, and what stops them.
#pragma once

#include <optional>
#include <string>

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/steady_timer.hpp>

#include "tools/server/http_session.h"
#include "tools/server/listener.h"
#include "tools/server/options.h"
#include "tools/server/request_log.h"
#include "tools/server/router.h"

class Server {
public:
    Server(boost::asio::io_context& io, const ServerOptions& options, Router router);

    // Opens the log, makes the certificate, starts the listeners, reports their
    // ports, and arms SIGTERM, SIGINT and the lifetime to stop `io`.
    bool Start(std::string* error);

private:
    bool ReportPorts(std::string* error) const;
    void StopOn(boost::system::error_code ec);

    boost::asio::io_context& io_;
    const ServerOptions& options_;
    Router router_;
    RequestLog log_;
    boost::asio::ssl::context tls_;
    std::optional<Services> services_;
    Listener http_;
    Listener https_;
    Listener proxy_;
    boost::asio::signal_set signals_;
    boost::asio::steady_timer lifetime_;
};
