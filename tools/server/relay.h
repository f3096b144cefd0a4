// The proxy's relay to a host served elsewhere: a plain-HTTP request for a
// host named with --upstream goes to that host's own HTTP server (a static web
// server holding a download area), and its answer comes back to the client.
#pragma once

#include <functional>

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/ip/tcp.hpp>

#include "tools/server/reply.h"
#include "tools/server/request.h"

// Sends `request` to `upstream` in origin form on a connection of its own and
// calls `done` with the answer's status, content type and body, or with a 502
// when the upstream cannot be reached or does not answer in time.
void RelayRequest(const boost::asio::any_io_executor& executor, const boost::asio::ip::tcp::endpoint& upstream,
                  const Request& request, const TargetParts& target, std::function<void(Reply)> done);
