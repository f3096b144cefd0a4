// Serves one accepted connection: reads requests, asks the router, logs, and
// sends each reply as Deliver frames it. Every wait has a time limit except
// the deliberate silence of the hang and blackhole faults.
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>

#include "tools/server/request.h"

class Metrics;
class RequestLog;
class Router;

// What all connections share; outlives them.
struct Services {
    const Router& router;
    RequestLog& log;
    Metrics& metrics;
    boost::asio::ip::tcp::endpoint tunnel_target;  // the HTTPS listener, where CONNECT leads
};

// For the plain HTTP, proxy and admin listeners.
void ServePlain(boost::asio::ip::tcp::socket socket, const Services& services, ListenerKind listener);

void ServeTls(boost::asio::ip::tcp::socket socket, boost::asio::ssl::context& tls, const Services& services);
