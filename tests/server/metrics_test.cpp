// Health and metrics on the admin listener, as a load balancer and Prometheus
// read them, and nowhere else.
#include <map>
#include <sstream>

#include "demo_release.h"
#include "server_suite.h"
#include "test_client.h"

namespace {

constexpr char kGarbagePath[] = "/garbage/assist/server";
constexpr char kAnswers[] = "pellis_version_answers_total{bank=\"811\",version=\"1.0.0.3\"}";
constexpr char kBytes[] = "pellis_served_bytes_total";
constexpr char kCount[] = "pellis_request_duration_seconds_count";
constexpr char kSum[] = "pellis_request_duration_seconds_sum";
constexpr char kBucket[] = "pellis_request_duration_seconds_bucket{le=\"";

std::string ErrorsOf(const std::string& kind)
{
    return "pellis_errors_total{kind=\"" + kind + "\"}";
}

// Sample lines by series ("name{labels}"), comments skipped.
std::map<std::string, double> Samples(const std::string& text)
{
    std::map<std::string, double> samples;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t blank = line.rfind(' ');
        samples[line.substr(0, blank)] = std::stod(line.substr(blank + 1));
    }
    return samples;
}

class MetricsTest : public ServerSuite {
protected:
    static void SetUpTestSuite()
    {
        std::vector<std::string> args = DemoServerArgs();
        args.insert(args.end(), {"--admin-port", "0", "--fault", std::string(kGarbagePath) + "=garbage"});
        StartServer(args);
    }

    static std::map<std::string, double> Scrape()
    {
        const Response response = Fetch(ports(), {Route::admin, "/metrics"});
        EXPECT_EQ(response.status, 200u);
        EXPECT_EQ(response.content_type, "text/plain; version=0.0.4; charset=utf-8");
        return Samples(response.body);
    }
};

TEST_F(MetricsTest, HealthAndMetricsOnTheAdminListenerOnly)
{
    const Response health = Fetch(ports(), {Route::admin, "/healthz"});
    EXPECT_EQ(health.status, 200u);
    EXPECT_EQ(health.body, "ok\n");
    EXPECT_EQ(Scrape().count(kCount), 1u);
    const size_t logged = server_->LogLines().size();

    for (Route route : {Route::http, Route::https, Route::proxy, Route::tunnel}) {
        for (const char* path : {"/healthz", "/metrics"}) {
            SCOPED_TRACE(std::string(RouteName(route)) + " " + path);
            const Response response = Fetch(ports(), {route, path});
            EXPECT_EQ(response.status, 404u);
            EXPECT_EQ(response.body.find("pellis_"), std::string::npos);
        }
    }
    // Ten lines for the requests above (a tunnel's CONNECT is one); none for the admin listener's.
    EXPECT_EQ(server_->LogLines().size(), logged + 10);
    for (const Json::Value& line : server_->LogLines()) EXPECT_NE(line["listener"], "admin");
}

TEST_F(MetricsTest, CountsAnswersErrorsBytesAndTimes)
{
    const std::map<std::string, double> before = Scrape();
    std::string altered = VersionQueryOf(kBank);
    altered[altered.size() / 2] = altered[altered.size() / 2] == 'A' ? 'B' : 'A';
    const std::string query = "/assist/server?" + VersionQueryOf(kBank);
    const Get gets[] = {
        {Route::http, query},
        {Route::proxy, query},
        {Route::tunnel, query},
        {Route::http, "/assist/server?" + VersionQueryOf("812")},
        {Route::http, "/assist/server?" + altered},
        {Route::http, std::string(kDownloadPath) + "/missing.dll"},
        {Route::http, std::string(kDownloadPath) + "/Plugins/x.dll"},
        {Route::http, std::string(kGarbagePath) + "?" + VersionQueryOf(kBank)},
    };
    double body_bytes = 0;
    for (const Get& get : gets) body_bytes += static_cast<double>(Fetch(ports(), get).body.size());
    body_bytes += static_cast<double>(SendRaw(ports().http, "\x01\x02 nonsense\r\n\r\n").body.size());
    body_bytes += static_cast<double>(
        SendRaw(ports().http, std::string("POST ") + kDownloadPath + "/Digest.xml HTTP/1.0\r\n\r\n").body.size());
    const double requests = std::size(gets) + 2;
    // CONNECT of the tunnel is a request of its own, answered without a body.
    const double counted = requests + 1;

    const std::map<std::string, double> after = Scrape();
    auto grown = [&](const std::string& series) { return after.at(series) - before.at(series); };
    EXPECT_EQ(grown(kAnswers), 3);
    const struct {
        const char* kind;
        double count;
    } errors[] = {
        {"unknown_bank", 1}, {"bad_query", 1},          {"not_found", 1},    {"fault", 1},
        {"malformed_request", 1}, {"method_not_allowed", 1}, {"unknown_host", 0}, {"internal", 0},
        {"upstream", 0},
    };
    for (const auto& error : errors) EXPECT_EQ(grown(ErrorsOf(error.kind)), error.count) << error.kind;
    EXPECT_EQ(grown(kBytes), body_bytes);

    EXPECT_EQ(grown(kCount), counted);
    EXPECT_GT(grown(kSum), 0);
    double previous = 0;
    for (const char* le : {"0.0005", "0.001", "0.01", "0.1", "1", "10", "+Inf"}) {
        const double cumulative = after.at(kBucket + std::string(le) + "\"}");
        EXPECT_GE(cumulative, previous) << le;
        previous = cumulative;
    }
    EXPECT_EQ(previous, after.at(kCount)) << "the +Inf bucket holds every request";
}

}  // namespace
