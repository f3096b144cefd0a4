// The proxy's relay to a host served elsewhere (--upstream): that server
// answers, given the path exactly as the client sent it, and a host whose
// server does not listen gets a 502 at once.
#include <chrono>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "demo_release.h"
#include "server_process.h"
#include "test_client.h"

namespace {

constexpr char kMirror[] = "mirror.example";
constexpr char kGone[] = "gone.example";
constexpr char kNowhere[] = "127.0.0.1:9";  // nothing listens there
constexpr std::chrono::seconds kPrompt{2};

class UpstreamTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        upstream_ = std::make_unique<ServerProcess>(DemoServerArgs());
        const std::string address = "127.0.0.1:" + std::to_string(upstream_->ports().http);
        relaying_ = std::make_unique<ServerProcess>(std::vector<std::string>{
            "--upstream", std::string(kMirror) + "=" + address, "--upstream", std::string(kGone) + "=" + kNowhere});
    }
    static void TearDownTestSuite()
    {
        relaying_.reset();
        upstream_.reset();
    }
    void SetUp() override
    {
        ASSERT_TRUE(upstream_->listening()) << upstream_->Stderr();
        ASSERT_TRUE(relaying_->listening()) << relaying_->Stderr();
    }

    static inline std::unique_ptr<ServerProcess> upstream_;
    static inline std::unique_ptr<ServerProcess> relaying_;
};

TEST_F(UpstreamTest, UpstreamAnswersWithThePathAsSent)
{
    const std::string plugin = std::string(kPluginPath) + "/" + kPluginName;
    const struct {
        std::string target;
        unsigned status;
        std::string body;
    } cases[] = {
        {std::string(kDownloadPath) + "/" + plugin, 200, TheDemoRelease().Content(plugin)},
        {std::string(kDownloadPath) + "/" + kPluginPath + "%5C" + kPluginName + "?x=1", 200,
         TheDemoRelease().Content(plugin)},
        {std::string(kDownloadPath) + "/missing.dll", 404, "not found\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const Response response = Fetch(relaying_->ports(), {Route::proxy, c.target, kMirror});
        EXPECT_EQ(response.status, c.status);
        EXPECT_EQ(response.body, c.body);
        EXPECT_TRUE(upstream_->WaitForLogLine(
            [&](const Json::Value& line) {
                return line["target"] == c.target && line["host"] == kMirror && line["listener"] == "http";
            },
            kPrompt))
            << "the upstream saw the origin form with the client's Host";
        EXPECT_TRUE(relaying_->WaitForLogLine(
            [&](const Json::Value& line) {
                return line["target"] == "http://" + std::string(kMirror) + c.target &&
                       line["status"].asUInt() == c.status;
            },
            kPrompt))
            << "the relaying server logs the request with the upstream's status";
    }
}

TEST_F(UpstreamTest, UnreachableUpstreamGives502)
{
    const auto start = std::chrono::steady_clock::now();
    const Response response =
        Fetch(relaying_->ports(), {Route::proxy, std::string(kDownloadPath) + "/Digest.xml", kGone});
    EXPECT_EQ(response.status, 502u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kPrompt);
}

}  // namespace
