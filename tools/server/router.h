// Decides the reply to each request: proxy host policies and relays, files
// served as-is, the version query and the download area of the bank the host
// names, the range of a file asked for, the fault chosen for the path, and the
// admin listener's pages.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "tools/server/bank_table.h"
#include "tools/server/file_answer.h"
#include "tools/server/metrics.h"
#include "tools/server/options.h"
#include "tools/server/reply.h"
#include "tools/server/request.h"

class Router {
public:
    // Reads what the options name (deployment keys, release, served files);
    // nothing, with a reason, when one of them cannot be read.
    // `metrics` outlives the router.
    static std::optional<Router> Load(const ServerOptions& options, Metrics& metrics, std::string* error);

    // Safe on any thread, also while Reload runs: each request is answered
    // from the bank table current when it came in.
    Reply Handle(ListenerKind listener, const Request& request, const TargetParts& target) const;

    // Loads the banks of `options` anew and switches to them at once; false,
    // with the reason, when one cannot be loaded: the current table stays.
    // Every other option stays as loaded at start.
    bool Reload(const ServerOptions& options, std::string* error);

    std::shared_ptr<const BankTable> banks() const;

private:
    struct ServedFile {
        FileEntity file;  // as read at start
        unsigned status = 200;
    };

    Router(std::shared_ptr<const BankTable> banks, Metrics& metrics);

    Reply Content(const Request& request, const std::string& normal_path, const TargetParts& target, Fault fault) const;
    // The fault --fault names for the path, none while switched off; `drops`
    // says whether this is the first answer of a mode that drops it.
    Fault FaultFor(const std::string& normal_path, const std::string& raw_path, bool* drops) const;
    bool FaultsSwitchedOff() const;

    // Read and replaced only through std::atomic_load and std::atomic_store.
    std::shared_ptr<const BankTable> banks_;
    // The banks of --then-release, answered once the faults are switched off.
    std::shared_ptr<const BankTable> then_banks_;
    Metrics* metrics_;
    std::map<std::string, ServedFile> served_;
    std::map<std::string, Fault> faults_;
    // Each path of faults_ whose first answer is dropped, set by that request.
    mutable std::map<std::string, std::atomic<bool>> dropped_;
    std::string faults_until_;
    std::set<std::string> refused_;
    std::set<std::string> blackholed_;
    std::map<std::string, boost::asio::ip::tcp::endpoint> upstreams_;
};
