// The configuration file: several banks from one process, routed by host
// name; settings the command line overrides; files refused with a reason.
#include <gtest/gtest.h>

#include "demo_release.h"
#include "server_process.h"
#include "server_suite.h"
#include "test_client.h"

namespace {

constexpr std::chrono::seconds kRunLimit{20};

constexpr char kOtherBank[] = "815";
constexpr char kOtherVersion[] = "2.0.0.1";
constexpr char kOtherHost[] = "ebank.korva.example";
constexpr char kPayHost[] = "pay.aldmoor.example";

// A second bank with a release of its own; both use the demo envelope keys.
const std::string& OtherRelease()
{
    static const TempDir dir;
    static const std::string release = WriteRelease(dir, "korva", kOtherBank, kOtherVersion, kOtherHost);
    return release;
}

std::string DownloadOf(const std::string& bank)
{
    return "/download/" + bank + "/Digest.xml";
}

class MultiBankTest : public ServerSuite {
protected:
    static void SetUpTestSuite()
    {
        static const TempDir dir;
        const std::string config = dir.Write("pellis-server.conf", "# two banks, no default\n"
                                                                   "[bank aldmoor]\n"
                                                                   "hosts = " + std::string(kBankHost) + ", " +
                                                                   kPayHost + ":8443\n"
                                                                   "deploy = " + DemoDeployDir() + "\n"
                                                                   "release = " + TheDemoRelease().release_dir + "\n"
                                                                   "\n"
                                                                   "[bank korva]\n"
                                                                   "hosts = EBANK.Korva.example\n"
                                                                   "deploy = " + DemoDeployDir() + "\n"
                                                                   "release = " + OtherRelease() + "\n");
        StartServer({"--config", config});
    }
};

TEST_F(MultiBankTest, EachHostGetsItsBanksAnswerOnEveryRoute)
{
    const struct {
        Route route;
        const char* host;
        const char* bank;     // sealed into the query
        unsigned status;
        const char* version;  // answered
    } cases[] = {
        {Route::http, kBankHost, kBank, 200, kVersion},
        {Route::proxy, kPayHost, kBank, 200, kVersion},
        {Route::tunnel, kOtherHost, kOtherBank, 200, kOtherVersion},
        {Route::https, kOtherHost, kOtherBank, 200, kOtherVersion},
        {Route::proxy, kOtherHost, kOtherBank, 200, kOtherVersion},
        // The host decides the bank, not the bank id in the query.
        {Route::http, kOtherHost, kBank, 404, nullptr},
        {Route::http, kBankHost, kOtherBank, 404, nullptr},
        // No bank names the host and none is the default.
        {Route::http, "ebank.unknown.example", kBank, 404, nullptr},
        {Route::proxy, "127.0.0.1", kBank, 404, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(RouteName(c.route)) + " " + c.host + " bank " + c.bank);
        const Response response = Fetch(ports(), {c.route, "/assist/server?" + VersionQueryOf(c.bank), c.host});
        EXPECT_EQ(response.status, c.status) << response.body;
        if (c.version) {
            EXPECT_EQ(AnsweredVersion(response.body), c.version);
        }
    }
}

TEST_F(MultiBankTest, EachHostGetsItsBanksDownloadArea)
{
    const struct {
        Route route;
        const char* host;
        std::string target;
        unsigned status;
        std::string body;
    } cases[] = {
        {Route::http, kBankHost, DownloadOf(kBank), 200, TheDemoRelease().Content("Digest.xml")},
        {Route::tunnel, kOtherHost, DownloadOf(kOtherBank), 200, ReleaseDigest(kOtherVersion)},
        {Route::proxy, kOtherHost, DownloadOf(kOtherBank), 200, ReleaseDigest(kOtherVersion)},
        {Route::http, kBankHost, DownloadOf(kOtherBank), 404, "not found\n"},
        {Route::http, kOtherHost, DownloadOf(kBank), 404, "not found\n"},
        {Route::http, "ebank.unknown.example", DownloadOf(kBank), 404, "no bank is served for this host\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(RouteName(c.route)) + " " + c.host + " " + c.target);
        const Response response = Fetch(ports(), {c.route, c.target, c.host});
        EXPECT_EQ(response.status, c.status);
        EXPECT_EQ(response.body, c.body);
    }
}

TEST(ConfigFileTest, TheFileSetsWhatTheCommandLineLeavesAndTheCommandLineWins)
{
    const TempDir dir;
    // The log is overridden by ServerProcess's --log: a start with this one fails.
    const std::string config = dir.Write("pellis-server.conf", "[server]\n"
                                                               "admin-port = 0\n"
                                                               "log = /nonexistent/folder/requests.jsonl\n"
                                                               "[bank korva]\n"
                                                               "default = yes\n"
                                                               "hosts = " + std::string(kOtherHost) + "\n"
                                                               "deploy = " + DemoDeployDir() + "\n"
                                                               "release = " + OtherRelease() + "\n");
    // --release replaces the default bank's release.
    const ServerProcess server({"--config", config, "--release", TheDemoRelease().release_dir});
    ASSERT_TRUE(server.listening()) << server.Stderr();
    EXPECT_NE(server.ports().admin, 0u) << "admin-port from the file";
    for (const char* host : {kOtherHost, "any.example"}) {
        SCOPED_TRACE(host);
        const Response answer = Fetch(server.ports(), {Route::http, "/assist/server?" + VersionQueryOf(kBank), host});
        EXPECT_EQ(AnsweredVersion(answer.body), kVersion);
        const Response other =
            Fetch(server.ports(), {Route::http, "/assist/server?" + VersionQueryOf(kOtherBank), host});
        EXPECT_EQ(other.status, 404u);
    }
}

TEST(ConfigFileTest, BadFilesExitWith2AndSayWhy)
{
    const TempDir dir;
    const std::string bank = "[bank a]\nhosts = a.example\n";
    const struct {
        const char* name;
        std::string text;
        const char* mentioned;
    } cases[] = {
        {"bad port", "[server]\nhttp-port = 99999\n", "99999"},
        {"no threads", "[server]\nthreads = 0\n", "threads: not a number of threads"},
        {"test option", "[server]\nfault = /x=hang\n", "unknown setting \"fault\" in [server]"},
        {"unknown bank setting", bank + "colour = blue\n", "unknown setting \"colour\" in [bank a]"},
        {"host of two banks", bank + "[bank b]\nhosts = A.example:8443\n", "host a.example is named by two banks"},
        {"two defaults", "[bank a]\ndefault = yes\n[bank b]\ndefault = yes\n", "both the default bank"},
        {"no hosts", "[bank a]\ndeploy = /x\n", "[bank a] names no hosts"},
        {"not yes or no", bank + "default = maybe\n", "maybe"},
        {"unknown section", "[banks]\nx = 1\n", "unknown section [banks]"},
        {"setting outside a section", "port = 80\n", "outside a section"},
        {"no equals sign", "[server]\nbind\n", "(2)"},
        {"unreadable release", bank + "release = /nonexistent/release\n",
         "bank a: cannot read /nonexistent/release/release.json"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string config = dir.Write("bad.conf", c.text);
        const Ended ended = RunServerToEnd({"--config", config, "--lifetime", "5"}, kRunLimit);
        ASSERT_TRUE(ended.exited);
        EXPECT_EQ(ended.code, 2);
        EXPECT_NE(ended.err.find(c.mentioned), std::string::npos) << ended.err;
    }
}

}  // namespace
