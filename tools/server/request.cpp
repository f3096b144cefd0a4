#include "tools/server/request.h"

namespace http = boost::beast::http;

const char* ListenerName(ListenerKind listener)
{
    switch (listener) {
        case ListenerKind::http:
            return "http";
        case ListenerKind::https:
            return "https";
        case ListenerKind::proxy:
            return "proxy";
        case ListenerKind::admin:
            return "admin";
    }
    return "";
}

TargetParts DescribeTarget(const Request& request)
{
    const std::string_view target(request.target().data(), request.target().size());
    if (request.method() == http::verb::connect) {
        TargetParts parts;
        parts.host = HostWithoutPort(target);
        return parts;
    }
    TargetParts parts = SplitTarget(target);
    if (parts.host.empty()) {
        const auto host = request[http::field::host];
        parts.host = HostWithoutPort(std::string_view(host.data(), host.size()));
    }
    return parts;
}
