// The command line of pellis-server, and the configuration file it may name.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/ip/tcp.hpp>

#include "tools/server/faults.h"
#include "tools/server/self_signed_cert.h"

// One bank the server answers for: its envelope keys and its release.
struct BankOptions {
    std::string name;                // of its configuration section, for messages
    std::vector<std::string> hosts;  // lower case, no port
    bool is_default = false;         // also answers every host no bank names
    std::string deploy_dir;          // empty: no envelope opens
    std::string release_dir;         // empty: no release
};

struct ServerOptions {
    std::string bind_address = "127.0.0.1";
    uint16_t http_port = 0;  // 0: any free port
    uint16_t https_port = 0;
    uint16_t proxy_port = 0;
    std::optional<uint16_t> admin_port;  // nothing: no admin listener
    // Never empty once parsed: without a configuration file, the one default
    // bank of --deploy and --release.
    std::vector<BankOptions> banks;
    CertKind cert = CertKind::self_signed;
    std::vector<std::string> refused_hosts;  // lower case, no port
    std::vector<std::string> blackholed_hosts;
    std::map<std::string, boost::asio::ip::tcp::endpoint> upstreams;  // by lower-case host, no port
    // Keyed by NormalisePath of the PATH given.
    std::map<std::string, Fault> faults;
    std::string faults_until;  // once this file exists no fault applies; empty: always
    // Once faults_until exists, the default bank's release folder; empty: unchanged.
    std::string then_release;
    std::map<std::string, std::string> served_files;
    std::map<std::string, unsigned> statuses;
    std::string log_file;           // empty: stderr
    std::string ports_file;         // empty: none
    unsigned lifetime_seconds = 0;  // 0: until SIGTERM or SIGINT
    unsigned threads = std::max(1u, std::thread::hardware_concurrency());
};

enum class ParseOutcome { run, help, error };

// Reads the configuration file of --config first, then the other options
// over it: the command line wins.
ParseOutcome ParseOptions(const std::vector<std::string>& args, ServerOptions* options, std::string* error);

// Sets the option "--NAME" to `value` as the command line would; false, with
// a reason, for a name that a configuration file's [server] section cannot set.
bool ApplyFileOption(const std::string& name, const std::string& value, ServerOptions* options, std::string* error);

// The bank that --deploy and --release set: the default bank, made when there is none.
BankOptions& DefaultBank(ServerOptions* options);

extern const char kUsage[];
