// The proxy's CONNECT tunnel: a byte relay from the client to the HTTPS
// listener, so a client whose bank hosts are compiled in reaches this server.
#pragma once

#include <string>

#include <boost/asio/ip/tcp.hpp>

// Connects to `target`, sends `greeting` (the proxy's 200) to the client and
// `early_bytes` (what the client sent after its CONNECT) to the target, then
// relays both ways until both sides have closed or one fails.
void OpenTunnel(boost::asio::ip::tcp::socket client, std::string greeting, std::string early_bytes,
                const boost::asio::ip::tcp::endpoint& target);
