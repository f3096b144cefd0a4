#include "tools/server/router.h"

#include <filesystem>

#include "protocol/deploy_keys.h"

namespace http = boost::beast::http;

namespace {

Reply FileReply(unsigned status, std::string bytes)
{
    Reply reply = TextReply(status, std::move(bytes));
    reply.content_type = kOctetStream;
    return reply;
}

}  // namespace

std::optional<Router> Router::Load(const ServerOptions& options, std::string* error)
{
    std::optional<DeployEnvelopeKeys> keys;
    if (!options.deploy_dir.empty()) {
        keys.emplace();
        if (!LoadEnvelopeKeys(options.deploy_dir, &*keys, error)) return std::nullopt;
    }
    std::optional<Release> release;
    if (!options.release_dir.empty()) {
        release.emplace();
        if (!LoadRelease(options.release_dir, &*release, error)) return std::nullopt;
    }

    std::optional<DownloadArea> downloads;
    std::string release_host;
    if (release) {
        const TargetParts url = SplitTarget(release->url);
        downloads.emplace(release->download_dir, url.path);
        release_host = url.host;
    }
    Router router(VersionService(std::move(keys), std::move(release)), std::move(downloads));
    router.release_host_ = release_host;

    for (const auto& [path, file] : options.served_files) {
        ServedFile& served = router.served_[path];
        if (!ReadWholeFile(file, &served.bytes)) {
            *error = "cannot read " + file + " (--serve " + path + ")";
            return std::nullopt;
        }
        const auto status = options.statuses.find(path);
        if (status != options.statuses.end()) served.status = status->second;
    }
    router.faults_ = options.faults;
    router.faults_until_ = options.faults_until;
    router.refused_.insert(options.refused_hosts.begin(), options.refused_hosts.end());
    router.blackholed_.insert(options.blackholed_hosts.begin(), options.blackholed_hosts.end());
    router.upstreams_ = options.upstreams;
    return router;
}

Router::Router(VersionService versions, std::optional<DownloadArea> downloads)
    : versions_(std::move(versions)), downloads_(std::move(downloads))
{
}

Reply Router::Handle(ListenerKind listener, const Request& request, const TargetParts& target) const
{
    if (listener == ListenerKind::proxy) {
        Reply policy;
        if (refused_.count(target.host)) {
            // Closed unanswered: an answer, even a 502, reaches Wine's
            // WinINet as the bank's own response.
            policy.fault = Fault::refuse;
            return policy;
        }
        if (blackholed_.count(target.host)) {
            policy.fault = Fault::blackhole;
            return policy;
        }
        if (request.method() == http::verb::connect) {
            policy.tunnel = true;
            return policy;
        }
        const auto upstream = upstreams_.find(target.host);
        if (upstream != upstreams_.end()) {
            policy.relay = upstream->second;
            return policy;
        }
    }
    if (request.method() != http::verb::get) return TextReply(405, "only GET is served\n");

    const std::string normal_path = NormalisePath(target.path);
    const Fault fault = FaultFor(normal_path, target.path);
    Reply reply = Content(normal_path, target, fault);
    ApplyFault(fault, &reply);
    return reply;
}

Reply Router::Content(const std::string& normal_path, const TargetParts& target, Fault fault) const
{
    const auto served = served_.find(normal_path);
    if (served != served_.end()) return FileReply(served->second.status, served->second.bytes);
    if (IsVersionQuery(target.path)) return versions_.Answer(target.query, fault == Fault::not_json);
    if (downloads_) {
        if (const auto file = downloads_->Find(target.path)) {
            std::string bytes;
            if (!ReadWholeFile(file->string(), &bytes)) return TextReply(500, "cannot read the file\n");
            return FileReply(200, std::move(bytes));
        }
    }
    return TextReply(404, "not found\n");
}

Fault Router::FaultFor(const std::string& normal_path, const std::string& raw_path) const
{
    // Looked up per request: a test switches the faults off between two runs.
    if (!faults_until_.empty() && std::filesystem::exists(faults_until_)) return Fault::none;
    auto fault = faults_.find(normal_path);
    if (fault == faults_.end() && IsVersionQuery(raw_path)) fault = faults_.find(std::string(kVersionQuerySuffix));
    return fault == faults_.end() ? Fault::none : fault->second;
}
