#include "tools/server/router.h"

#include <atomic>
#include <filesystem>

#include "tools/server/admin_page.h"

namespace http = boost::beast::http;

namespace {

// The version service's statuses, told apart for the metrics.
Reply VersionAnswer(const Bank& bank, std::string_view query, bool not_json)
{
    Reply reply = bank.versions.Answer(query, not_json);
    switch (reply.status) {
        case 200:
            reply.version_answers = bank.answers;
            break;
        case 400:
            reply.error = ErrorKind::bad_query;
            break;
        case 404:
            reply.error = ErrorKind::unknown_bank;
            break;
        default:
            reply.error = ErrorKind::internal;
            break;
    }
    return reply;
}

}  // namespace

std::optional<Router> Router::Load(const ServerOptions& options, Metrics& metrics, std::string* error)
{
    std::shared_ptr<const BankTable> banks = BankTable::Load(options.banks, metrics, error);
    if (!banks) return std::nullopt;
    Router router(std::move(banks), metrics);

    for (const auto& [path, file] : options.served_files) {
        ServedFile& served = router.served_[path];
        if (!ReadFileEntity(file, &served.file)) {
            *error = "cannot read " + file + " (--serve " + path + ")";
            return std::nullopt;
        }
        const auto status = options.statuses.find(path);
        if (status != options.statuses.end()) served.status = status->second;
    }
    if (!options.then_release.empty()) {
        ServerOptions then = options;
        DefaultBank(&then).release_dir = options.then_release;
        router.then_banks_ = BankTable::Load(then.banks, metrics, error);
        if (!router.then_banks_) return std::nullopt;
    }
    router.faults_ = options.faults;
    for (const auto& [path, fault] : options.faults) {
        if (DropsFirstAnswer(fault)) router.dropped_.try_emplace(path, false);
    }
    router.faults_until_ = options.faults_until;
    router.refused_.insert(options.refused_hosts.begin(), options.refused_hosts.end());
    router.blackholed_.insert(options.blackholed_hosts.begin(), options.blackholed_hosts.end());
    router.upstreams_ = options.upstreams;
    return router;
}

Router::Router(std::shared_ptr<const BankTable> banks, Metrics& metrics) : banks_(std::move(banks)), metrics_(&metrics)
{
}

bool Router::Reload(const ServerOptions& options, std::string* error)
{
    std::shared_ptr<const BankTable> banks = BankTable::Load(options.banks, *metrics_, error);
    if (!banks) return false;
    std::atomic_store(&banks_, std::shared_ptr<const BankTable>(std::move(banks)));
    return true;
}

std::shared_ptr<const BankTable> Router::banks() const
{
    return std::atomic_load(&banks_);
}

Reply Router::Handle(ListenerKind listener, const Request& request, const TargetParts& target) const
{
    if (listener == ListenerKind::admin) return AdminPage(request, target, *metrics_);
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
    if (request.method() != http::verb::get)
        return TextReply(405, "only GET is served\n", ErrorKind::method_not_allowed);

    const std::string normal_path = NormalisePath(target.path);
    bool drops = false;
    const Fault fault = FaultFor(normal_path, target.path, &drops);
    // A dropped first answer is otherwise sound, except that the dated mode
    // never names a tag.
    const Fault misanswer = drops && fault != Fault::drop_once_dated ? Fault::none : fault;
    Reply reply = Content(request, normal_path, target, misanswer);
    ApplyFault(drops ? Fault::drop_once : fault, &reply);
    return reply;
}

Reply Router::Content(const Request& request, const std::string& normal_path, const TargetParts& target,
                      Fault fault) const
{
    const auto served = served_.find(normal_path);
    if (served != served_.end()) {
        const ServedFile& file = served->second;
        return file.status == 200 ? FileAnswer(request, file.file, fault) : FileReply(file.status, file.file.bytes);
    }

    // Held to the end of the request: a reload meanwhile frees nothing it uses.
    const std::shared_ptr<const BankTable> banks = then_banks_ && FaultsSwitchedOff() ? then_banks_ : this->banks();
    const Bank* bank = banks->Find(target.host);
    if (!bank) return TextReply(404, "no bank is served for this host\n", ErrorKind::unknown_host);
    if (IsVersionQuery(target.path)) return VersionAnswer(*bank, target.query, fault == Fault::not_json);
    if (bank->downloads) {
        if (const auto file = bank->downloads->Find(target.path)) {
            FileEntity entity;
            if (!ReadFileEntity(file->string(), &entity))
                return TextReply(500, "cannot read the file\n", ErrorKind::internal);
            return FileAnswer(request, std::move(entity), fault);
        }
    }
    return TextReply(404, "not found\n", ErrorKind::not_found);
}

bool Router::FaultsSwitchedOff() const
{
    // Looked up per request: a test switches the faults off between two runs.
    return !faults_until_.empty() && std::filesystem::exists(faults_until_);
}

Fault Router::FaultFor(const std::string& normal_path, const std::string& raw_path, bool* drops) const
{
    if (FaultsSwitchedOff()) return Fault::none;
    auto fault = faults_.find(normal_path);
    if (fault == faults_.end() && IsVersionQuery(raw_path)) fault = faults_.find(std::string(kVersionQuerySuffix));
    if (fault == faults_.end()) return Fault::none;
    // One request of the path wins the exchange, whichever thread it came on.
    *drops = DropsFirstAnswer(fault->second) && !dropped_.at(fault->first).exchange(true);
    return *drops || fault->second != Fault::drop_once ? fault->second : Fault::none;
}
