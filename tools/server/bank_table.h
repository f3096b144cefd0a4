// The banks the server answers for, each with its envelope keys, release and
// download area, found by the request's host name. A table never changes once
// loaded: a reload loads a new one and the router switches to it.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/server/download_area.h"
#include "tools/server/metrics.h"
#include "tools/server/options.h"
#include "tools/server/version_service.h"

struct Bank {
    std::string name;  // of its configuration section
    VersionService versions;
    std::optional<DownloadArea> downloads;
    std::string release_host;     // of the release's download URL; empty without release
    std::string release_version;  // empty without release
    // Where this bank's version answers are counted; null without release.
    prometheus::Counter* answers = nullptr;
};

class BankTable {
public:
    // Reads every bank's keys and release; nothing, with the bank and the
    // reason, when one of them cannot be read.
    static std::shared_ptr<const BankTable> Load(const std::vector<BankOptions>& banks, Metrics& metrics,
                                                 std::string* error);

    // The bank for `host` (lower case, no port): the one that names it, else
    // the default bank; null when there is neither.
    const Bank* Find(const std::string& host) const;

    const std::vector<Bank>& banks() const { return banks_; }

private:
    std::vector<Bank> banks_;
    std::map<std::string, size_t> by_host_;
    std::optional<size_t> default_;
};
