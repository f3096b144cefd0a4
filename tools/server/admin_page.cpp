#include "tools/server/admin_page.h"

namespace http = boost::beast::http;

namespace {

constexpr char kHealthPath[] = "/healthz";
constexpr char kMetricsPath[] = "/metrics";

}  // namespace

Reply AdminPage(const Request& request, const TargetParts& target, const Metrics& metrics)
{
    if (request.method() != http::verb::get) return TextReply(405, "only GET is served\n");
    if (target.path == kHealthPath) return TextReply(200, "ok\n");
    if (target.path == kMetricsPath) {
        Reply reply = TextReply(200, metrics.Text());
        reply.content_type = kMetricsContentType;
        return reply;
    }
    return TextReply(404, "not found\n");
}
