// Many clients at once on a server that answers on several threads: every
// client gets its own answer, and the log holds every request whole.
#include <sstream>
#include <thread>

#include <json/json.h>

#include "demo_release.h"
#include "server_suite.h"
#include "test_client.h"

namespace {

constexpr int kClients = 8;
constexpr int kRequestsPerClient = 24;

class ConcurrencyTest : public ServerSuite {
protected:
    static void SetUpTestSuite()
    {
        std::vector<std::string> args = DemoServerArgs();
        args.insert(args.end(), {"--threads", "4"});
        StartServer(args);
    }
};

// What a request asks and what makes its answer the right one.
struct Exchange {
    Get get;
    unsigned status;
    // For a version query, the "v" sealed in the answer; otherwise the body.
    std::string expected;
    bool sealed;
};

std::vector<Exchange> Workload()
{
    const Route routes[] = {Route::http, Route::https, Route::proxy, Route::tunnel};
    std::vector<Exchange> work;
    for (Route route : routes) {
        work.push_back({{route, "/assist/server?" + VersionQueryOf(kBank)}, 200, kVersion, true});
        work.push_back({{route, "/assist/server?" + VersionQueryOf("812")}, 404, "unknown bank\n", false});
        const std::string plugin = std::string(kPluginPath) + "/" + kPluginName;
        work.push_back({{route, std::string(kDownloadPath) + "/" + plugin}, 200, TheDemoRelease().Content(plugin),
                        false});
    }
    return work;
}

// Empty when the response is the right one; otherwise what was wrong.
std::string Check(const Exchange& exchange, const Response& response)
{
    if (response.status != exchange.status) return "status " + std::to_string(response.status);
    if (!exchange.sealed) return response.body == exchange.expected ? "" : "another body: " + response.body;
    const std::optional<std::string> message = OpenAnswer(response.body);
    if (!message) return "an answer that does not open: " + response.body;
    Json::Value answer;
    std::istringstream in(*message);
    std::string errors;
    if (!Json::parseFromStream(Json::CharReaderBuilder(), in, &answer, &errors) || answer["v"] != exchange.expected)
        return "another answer: " + *message;
    return "";
}

TEST_F(ConcurrencyTest, EveryClientGetsItsOwnAnswer)
{
    const std::vector<Exchange> work = Workload();
    std::vector<std::vector<std::string>> faults(kClients);
    std::vector<std::thread> clients;
    for (int client = 0; client < kClients; ++client) {
        clients.emplace_back([&, client] {
            // Each client starts elsewhere in the workload, so all kinds of
            // request are in flight together.
            for (int i = 0; i < kRequestsPerClient; ++i) {
                const Exchange& exchange = work[(client * 5 + i) % work.size()];
                const std::string fault = Check(exchange, Fetch(ports(), exchange.get));
                if (!fault.empty()) faults[client].push_back(exchange.get.target + ": " + fault);
            }
        });
    }
    for (std::thread& client : clients) client.join();
    for (int client = 0; client < kClients; ++client) {
        EXPECT_TRUE(faults[client].empty()) << "client " << client << ": " << faults[client].front();
    }

    // One line per request, and one more for each tunnel's CONNECT; each line a
    // whole JSON object, so no two threads' lines ran into each other.
    size_t expected_lines = 0;
    for (int client = 0; client < kClients; ++client) {
        for (int i = 0; i < kRequestsPerClient; ++i) {
            expected_lines += work[(client * 5 + i) % work.size()].get.route == Route::tunnel ? 2 : 1;
        }
    }
    const std::vector<Json::Value> lines = server_->LogLines();
    EXPECT_EQ(lines.size(), expected_lines);
    for (const Json::Value& line : lines) {
        EXPECT_TRUE(line.isObject() && line.isMember("status")) << line.toStyledString();
    }
}

}  // namespace
