// The forward proxy's host policies: a refused host fails at once, a
// blackholed one stays silent, and neither holds up anyone else.
#include <chrono>
#include <thread>

#include <boost/beast/core/error.hpp>
#include <boost/beast/http/error.hpp>

#include "demo_release.h"
#include "server_suite.h"
#include "test_client.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kRefused[] = "refused.example";
constexpr char kSilent[] = "silent.example";
// Generous: a refusal is immediate, yet well below the downloader's own 3 s time-out.
constexpr std::chrono::seconds kPrompt{2};
constexpr std::chrono::seconds kWatchSilence{3};

class ProxyTest : public ServerSuite {
protected:
    static void SetUpTestSuite()
    {
        std::vector<std::string> args = DemoServerArgs();
        args.insert(args.end(),
                    {"--refuse", kRefused, "--refuse", "Other-Refused.Example:8443", "--blackhole", kSilent});
        StartServer(args);
    }
};

TEST_F(ProxyTest, RefusedHostIsClosedUnanswered)
{
    const struct {
        Route route;
        const char* host;
    } cases[] = {
        {Route::tunnel, kRefused},
        {Route::proxy, kRefused},
        {Route::tunnel, "REFUSED.Example"},
        {Route::proxy, "other-refused.example"},
    };
    for (const auto& c : cases) {
        for (unsigned version : {10u, 11u}) {
            SCOPED_TRACE(std::string(RouteName(c.route)) + " " + c.host + " HTTP/" + std::to_string(version));
            Get get{c.route, std::string(kDownloadPath) + "/Digest.xml", c.host, version};
            const auto start = Clock::now();
            const Response response = Fetch(ports(), get);
            EXPECT_EQ(response.status, 0u);
            EXPECT_EQ(response.error, boost::beast::http::error::end_of_stream) << response.error.message();
            EXPECT_LT(Clock::now() - start, kPrompt);
        }
    }
}

TEST_F(ProxyTest, BlackholedHostNeverAnswersWhileOthersAre)
{
    Response silent;
    std::thread waiting([&] {
        silent = Fetch(ports(), {Route::proxy, std::string(kDownloadPath) + "/Digest.xml", kSilent}, kWatchSilence);
    });
    // The silent request is in before the other one starts.
    EXPECT_TRUE(server_->WaitForLogLine([](const Json::Value& line) { return line["host"] == kSilent; }, kPrompt));
    const Response other = Fetch(ports(), {Route::proxy, std::string(kDownloadPath) + "/Digest.xml"});
    waiting.join();
    EXPECT_EQ(silent.status, 0u);
    EXPECT_EQ(silent.error, boost::beast::error::timeout);
    EXPECT_EQ(other.status, 200u);
}

}  // namespace
