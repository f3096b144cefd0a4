// The command line of pellis-server.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <boost/asio/ip/tcp.hpp>

#include "tools/server/faults.h"
#include "tools/server/self_signed_cert.h"

struct ServerOptions {
    std::string bind_address = "127.0.0.1";
    uint16_t http_port = 0;  // 0: any free port
    uint16_t https_port = 0;
    uint16_t proxy_port = 0;
    std::string deploy_dir;
    std::string release_dir;
    CertKind cert = CertKind::self_signed;
    std::vector<std::string> refused_hosts;  // lower case, no port
    std::vector<std::string> blackholed_hosts;
    std::map<std::string, boost::asio::ip::tcp::endpoint> upstreams;  // by lower-case host, no port
    // Keyed by NormalisePath of the PATH given.
    std::map<std::string, Fault> faults;
    std::string faults_until;  // once this file exists no fault applies; empty: always
    std::map<std::string, std::string> served_files;
    std::map<std::string, unsigned> statuses;
    std::string log_file;           // empty: stderr
    std::string ports_file;         // empty: none
    unsigned lifetime_seconds = 0;  // 0: until SIGTERM or SIGINT
};

enum class ParseOutcome { run, help, error };

ParseOutcome ParseOptions(int argc, const char* const* argv, ServerOptions* options, std::string* error);

extern const char kUsage[];
