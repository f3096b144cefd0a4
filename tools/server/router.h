// Decides the reply to each request: proxy host policies and relays, files
// served as-is, the version query, the download area, and the fault chosen
// for the path.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "tools/server/download_area.h"
#include "tools/server/options.h"
#include "tools/server/reply.h"
#include "tools/server/request.h"
#include "tools/server/version_service.h"

class Router {
public:
    // Reads what the options name (deployment keys, release, served files);
    // nothing, with a reason, when one of them cannot be read.
    static std::optional<Router> Load(const ServerOptions& options, std::string* error);

    Reply Handle(ListenerKind listener, const Request& request, const TargetParts& target) const;

    // The host of the release's download URL, for the certificate; may be empty.
    const std::string& release_host() const { return release_host_; }

private:
    struct ServedFile {
        std::string bytes;
        unsigned status = 200;
    };

    Router(VersionService versions, std::optional<DownloadArea> downloads);

    Reply Content(const std::string& normal_path, const TargetParts& target, Fault fault) const;
    Fault FaultFor(const std::string& normal_path, const std::string& raw_path) const;

    VersionService versions_;
    std::optional<DownloadArea> downloads_;
    std::string release_host_;
    std::map<std::string, ServedFile> served_;
    std::map<std::string, Fault> faults_;
    std::string faults_until_;
    std::set<std::string> refused_;
    std::set<std::string> blackholed_;
    std::map<std::string, boost::asio::ip::tcp::endpoint> upstreams_;
};
