// Publishing without a restart: SIGHUP switches to the release the folder
// link now names, under load, without one failed answer; a reload that cannot
// load keeps serving what was loaded and says why.
#include <signal.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "demo_release.h"
#include "server_process.h"
#include "test_client.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr char kOldVersion[] = "1.0.0.3";
constexpr char kNewVersion[] = "1.0.0.4";
constexpr int kSwitches = 12;
constexpr int kClients = 4;
// Only bounds a broken server; a reload takes milliseconds.
constexpr std::chrono::seconds kReloadLimit{10};
// jsoncpp's reader gives up past 1000 levels.
const std::string kDeepJson = std::string(2000, '[') + std::string(2000, ']');

// Points the link `current` at `target` in one step, as a publisher would.
void PointAt(const std::string& current, const std::string& target)
{
    const std::string next = current + ".next";
    fs::remove(next);
    fs::create_directory_symlink(target, next);
    fs::rename(next, current);
}

// Waits until the server has reported `count` reloads; the last report.
Json::Value AwaitReload(const ServerProcess& server, size_t count)
{
    const auto deadline = Clock::now() + kReloadLimit;
    do {
        std::vector<Json::Value> reloads;
        for (const Json::Value& event : server.Events()) {
            if (event["event"] == "reload") reloads.push_back(event);
        }
        if (reloads.size() >= count) return reloads[count - 1];
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (Clock::now() < deadline);
    ADD_FAILURE() << "no reload report " << count << ":\n" << server.Stderr();
    return Json::Value();
}

struct Tally {
    std::atomic<int> answers{0};
    std::atomic<int> failures{0};
    std::atomic<bool> stop{false};
};

// Waits until `count` more answers have come in.
void AwaitAnswers(const Tally& tally, int count)
{
    const int target = tally.answers + tally.failures + count;
    const auto deadline = Clock::now() + kReloadLimit;
    while (tally.answers + tally.failures < target && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Asks for the version and the manifest until stopped; counts every answer
// that is not a sound one of either release.
void QueryUntilStopped(const Ports& ports, Tally* tally)
{
    const std::string query = "/assist/server?" + VersionQueryOf(kBank);
    while (!tally->stop) {
        const Response answer = Fetch(ports, {Route::http, query});
        const std::optional<std::string> version = AnsweredVersion(answer.body);
        const Response digest = Fetch(ports, {Route::http, std::string(kDownloadPath) + "/Digest.xml"});
        const bool sound = answer.status == 200 && version && (*version == kOldVersion || *version == kNewVersion) &&
                           digest.status == 200 &&
                           (digest.body == ReleaseDigest(kOldVersion) || digest.body == ReleaseDigest(kNewVersion));
        ++(sound ? tally->answers : tally->failures);
    }
}

TEST(ReloadTest, SwitchesReleasesUnderLoadWithoutAFailedAnswer)
{
    const TempDir dir;
    const std::string releases[] = {WriteRelease(dir, "1.0.0.3", kBank, kOldVersion, kBankHost),
                                    WriteRelease(dir, "1.0.0.4", kBank, kNewVersion, kBankHost)};
    const std::string current = dir.path() + "/current";
    PointAt(current, releases[0]);
    ServerProcess server({"--deploy", DemoDeployDir(), "--release", current});
    ASSERT_TRUE(server.listening()) << server.Stderr();

    Tally tally;
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) clients.emplace_back(QueryUntilStopped, server.ports(), &tally);
    for (int i = 1; i <= kSwitches; ++i) {
        // Every switch comes while the clients are asking.
        AwaitAnswers(tally, kClients);
        const char* expected = i % 2 ? kNewVersion : kOldVersion;
        PointAt(current, releases[i % 2]);
        server.Signal(SIGHUP);
        const Json::Value report = AwaitReload(server, i);
        EXPECT_EQ(report["ok"], true) << report;
        EXPECT_EQ(report["serving"]["default"], expected);
        // Every request after the report gets the new release.
        const Response answer = Fetch(server.ports(), {Route::http, "/assist/server?" + VersionQueryOf(kBank)});
        EXPECT_EQ(AnsweredVersion(answer.body), expected) << "after reload " << i;
    }
    tally.stop = true;
    for (std::thread& client : clients) client.join();

    EXPECT_EQ(tally.failures, 0);
    EXPECT_GE(tally.answers, kSwitches * kClients);
    EXPECT_TRUE(server.Stop(SIGTERM, kReloadLimit).exited);
}

TEST(ReloadTest, AFailedReloadKeepsServingAndSaysWhy)
{
    const TempDir dir;
    const std::string release = WriteRelease(dir, "release", kBank, kOldVersion, kBankHost);
    const std::string good_config = "[bank aldmoor]\n"
                                    "default = yes\n"
                                    "deploy = " + DemoDeployDir() + "\n"
                                    "release = " + release + "\n";
    const std::string config = dir.Write("pellis-server.conf", good_config);
    const std::string release_json = release + "/release.json";
    const std::string good_json = [&] {
        std::ifstream in(release_json);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    const ServerProcess server({"--config", config});
    ASSERT_TRUE(server.listening()) << server.Stderr();

    const struct {
        const char* name;
        std::function<void()> spoil;
        std::string said;
    } cases[] = {
        {"release.json nested past the reader's limit", [&] { dir.Write("release/release.json", kDeepJson); },
         "nested deeper than the JSON reader allows"},
        {"release.json gone", [&] { fs::remove(release_json); }, "cannot read " + release_json},
        {"a line of the file is no setting", [&] { dir.Write("pellis-server.conf", good_config + "nonsense\n"); },
         "'=' character not found"},
        {"deployment keys gone", [&] {
             dir.Write("pellis-server.conf", good_config + "[bank korva]\nhosts = k.example\ndeploy = /nonexistent\n");
         },
         "bank korva: "},
    };
    size_t reloads = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.spoil();
        server.Signal(SIGHUP);
        const Json::Value failed = AwaitReload(server, ++reloads);
        EXPECT_EQ(failed["ok"], false);
        EXPECT_NE(failed["error"].asString().find(c.said), std::string::npos) << failed;
        EXPECT_EQ(failed["serving"]["aldmoor"], kOldVersion);
        const Response answer = Fetch(server.ports(), {Route::http, "/assist/server?" + VersionQueryOf(kBank)});
        EXPECT_EQ(AnsweredVersion(answer.body), kOldVersion);

        dir.Write("pellis-server.conf", good_config);
        dir.Write("release/release.json", good_json);
        server.Signal(SIGHUP);
        EXPECT_EQ(AwaitReload(server, ++reloads)["ok"], true);
    }
}

}  // namespace
