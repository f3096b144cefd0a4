#include "tools/server/bank_table.h"

#include <filesystem>

#include "protocol/deploy_keys.h"
#include "tools/server/url_path.h"

namespace {

std::optional<Bank> LoadBank(const BankOptions& options, Metrics& metrics, std::string* error)
{
    std::optional<DeployEnvelopeKeys> keys;
    if (!options.deploy_dir.empty()) {
        keys.emplace();
        if (!LoadEnvelopeKeys(options.deploy_dir, &*keys, error)) return std::nullopt;
    }
    std::optional<Release> release;
    if (!options.release_dir.empty()) {
        // The release folder may be a link that publishing switches: resolved
        // once, release.json and download/ come from the same release.
        std::error_code ec;
        const std::filesystem::path dir = std::filesystem::canonical(options.release_dir, ec);
        release.emplace();
        if (!LoadRelease(ec ? options.release_dir : dir.string(), &*release, error)) return std::nullopt;
    }

    std::optional<DownloadArea> downloads;
    std::string host;
    std::string version;
    prometheus::Counter* answers = nullptr;
    if (release) {
        const TargetParts url = SplitTarget(release->url);
        downloads.emplace(release->download_dir, url.path);
        host = url.host;
        version = release->version;
        answers = &metrics.VersionAnswers(release->bank, release->version);
    }
    return Bank{options.name, VersionService(std::move(keys), std::move(release)), std::move(downloads), host, version,
                answers};
}

}  // namespace

std::shared_ptr<const BankTable> BankTable::Load(const std::vector<BankOptions>& banks, Metrics& metrics,
                                                 std::string* error)
{
    auto table = std::make_shared<BankTable>();
    for (const BankOptions& options : banks) {
        std::optional<Bank> bank = LoadBank(options, metrics, error);
        if (!bank) {
            *error = "bank " + options.name + ": " + *error;
            return nullptr;
        }
        for (const std::string& host : options.hosts) table->by_host_[host] = table->banks_.size();
        if (options.is_default) table->default_ = table->banks_.size();
        table->banks_.push_back(std::move(*bank));
    }
    return table;
}

const Bank* BankTable::Find(const std::string& host) const
{
    const auto named = by_host_.find(host);
    if (named != by_host_.end()) return &banks_[named->second];
    return default_ ? &banks_[*default_] : nullptr;
}
