// Fault modes, each as a client sees it on the version query, and faults
// chosen by a file's path.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include <boost/asio/error.hpp>
#include <boost/beast/core/error.hpp>
#include <boost/beast/http/error.hpp>

#include "demo_release.h"
#include "server_suite.h"
#include "test_client.h"

namespace {

namespace http = boost::beast::http;

constexpr const char* kModes[] = {
    "hang", "close", "garbage", "odd", "crlf", "truncate", "stall", "drop-once",
    "404", "500", "empty", "wrong-length", "no-length", "bad-envelope", "not-json",
};
constexpr std::chrono::milliseconds kSilence{1500};

std::string ServicePath(const std::string& mode)
{
    return "/" + mode + "/assist/server";
}

class FaultTest : public ServerSuite {
protected:
    static void SetUpTestSuite()
    {
        std::vector<std::string> args = DemoServerArgs();
        for (const char* mode : kModes) args.insert(args.end(), {"--fault", ServicePath(mode) + "=" + mode});
        args.insert(args.end(), {"--fault", std::string(kDownloadPath) + "/Plugins/x.dll=truncate"});
        StartServer(args);
    }
};

enum class Opens { yes, no };

// Lengths measured against a whole answer's; absent: no Content-Length.
enum class Length { unchecked, absent, whole, half, nine_tenths, one_more };

std::optional<size_t> Expected(Length length, size_t whole)
{
    switch (length) {
        case Length::whole:
            return whole;
        case Length::half:
            return whole / 2;
        case Length::nine_tenths:
            return whole * 9 / 10;
        case Length::one_more:
            return whole + 1;
        default:
            return std::nullopt;
    }
}

TEST_F(FaultTest, EachModeOnTheVersionQuery)
{
    const boost::system::error_code none;
    const struct {
        const char* mode;
        unsigned status;  // 0: nothing arrives
        boost::system::error_code error;
        Opens opens;  // as the downloader opens: length rounded down to even
        const char* body_ends_with;
        Length announced;
        Length received;
    } cases[] = {
        {"hang", 0, boost::beast::error::timeout, Opens::no, "", Length::unchecked, Length::unchecked},
        {"close", 0, http::error::end_of_stream, Opens::no, "", Length::unchecked, Length::unchecked},
        {"garbage", 200, none, Opens::no, "", Length::unchecked, Length::unchecked},
        {"odd", 200, none, Opens::yes, "\n", Length::unchecked, Length::unchecked},
        {"crlf", 200, none, Opens::yes, "\r\n", Length::unchecked, Length::unchecked},
        {"truncate", 200, http::error::partial_message, Opens::no, "", Length::whole, Length::half},
        {"stall", 200, boost::beast::error::timeout, Opens::no, "", Length::whole, Length::half},
        {"drop-once", 200, http::error::partial_message, Opens::no, "", Length::whole, Length::nine_tenths},
        {"404", 404, none, Opens::no, "", Length::unchecked, Length::unchecked},
        {"500", 500, none, Opens::no, "</html>\n", Length::unchecked, Length::unchecked},
        {"empty", 200, none, Opens::no, "", Length::unchecked, Length::unchecked},
        {"wrong-length", 200, http::error::partial_message, Opens::yes, "", Length::one_more, Length::whole},
        {"no-length", 200, none, Opens::yes, "", Length::absent, Length::whole},
        {"bad-envelope", 200, none, Opens::no, "", Length::whole, Length::whole},
        {"not-json", 200, none, Opens::yes, "", Length::unchecked, Length::unchecked},
    };
    const size_t whole = Fetch(ports(), {Route::http, "/assist/server?" + VersionQueryOf(kBank)}).body.size();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        const Response response =
            Fetch(ports(), {Route::http, ServicePath(c.mode) + "?" + VersionQueryOf(kBank)}, kSilence);
        EXPECT_EQ(response.status, c.status);
        EXPECT_EQ(response.error, c.error) << response.error.message();
        EXPECT_EQ(OpenAnswer(response.body).has_value(), c.opens == Opens::yes) << response.body;
        const std::string suffix = c.body_ends_with;
        EXPECT_EQ(response.body.substr(response.body.size() - std::min(suffix.size(), response.body.size())), suffix);
        if (c.announced != Length::unchecked) {
            EXPECT_EQ(response.content_length, Expected(c.announced, whole));
        }
        if (c.received != Length::unchecked) {
            EXPECT_EQ(response.body.size(), Expected(c.received, whole));
        }
    }
}

// An HTTP/1.1 client is told that the body ends with the connection, and the
// whole body arrives before the close.
TEST_F(FaultTest, NoLengthClosesAnHttp11Connection)
{
    const size_t whole = Fetch(ports(), {Route::http, "/assist/server?" + VersionQueryOf(kBank)}).body.size();
    const Response response =
        Fetch(ports(), {Route::http, ServicePath("no-length") + "?" + VersionQueryOf(kBank), kBankHost, 11});
    EXPECT_EQ(response.status, 200u);
    EXPECT_EQ(response.Field("Connection"), "close");
    EXPECT_EQ(response.content_length, std::nullopt);
    EXPECT_EQ(response.body.size(), whole);
    EXPECT_EQ(response.error, boost::system::error_code()) << response.error.message();
}

TEST(ServicePathFaultTest, AppliesToEveryVersionQueryAndNothingElse)
{
    std::vector<std::string> args = DemoServerArgs();
    args.insert(args.end(), {"--fault", "/assist/server=500"});
    const ServerProcess server(args);
    ASSERT_TRUE(server.listening()) << server.Stderr();
    for (const char* path : {"/assist/server", "/assist//assist/server", "/pweb/assist/server"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(Fetch(server.ports(), {Route::http, std::string(path) + "?" + VersionQueryOf(kBank)}).status, 500u);
    }
    EXPECT_EQ(Fetch(server.ports(), {Route::http, std::string(kDownloadPath) + "/Digest.xml"}).status, 200u);
}

TEST(FaultsUntilTest, FaultsEndOnceTheFileExists)
{
    const std::filesystem::path off =
        std::filesystem::temp_directory_path() / ("pellis-faults-off-" + std::to_string(::getpid()));
    std::filesystem::remove(off);
    std::vector<std::string> args = DemoServerArgs();
    args.insert(args.end(), {"--fault", "/assist/server=500", "--faults-until", off.string()});
    const ServerProcess server(args);
    ASSERT_TRUE(server.listening()) << server.Stderr();
    const Get query{Route::http, "/assist/server?" + VersionQueryOf(kBank)};
    EXPECT_EQ(Fetch(server.ports(), query).status, 500u);
    std::ofstream(off.string()).put('\n');
    EXPECT_EQ(Fetch(server.ports(), query).status, 200u);
    std::filesystem::remove(off);
    EXPECT_EQ(Fetch(server.ports(), query).status, 500u);
}

// An attacker's release first (any "v" and download area), the genuine one
// once the test switches the faults off.
TEST(FaultsUntilTest, ThenReleaseTakesOverOnceTheFileExists)
{
    const TempDir dir;
    const std::string off = dir.path() + "/off";
    const ServerProcess server({"--deploy", DemoDeployDir(), "--release",
                                WriteRelease(dir, "attack", kBank, "9.0.0.0", "ebank.example"), "--then-release",
                                WriteRelease(dir, "genuine", kBank, "1.0.0.3", "ebank.example"), "--faults-until",
                                off});
    ASSERT_TRUE(server.listening()) << server.Stderr();
    const Get query{Route::http, "/assist/server?" + VersionQueryOf(kBank)};
    const Get manifest{Route::http, std::string(kDownloadPath) + "/Digest.xml"};

    EXPECT_EQ(AnsweredVersion(Fetch(server.ports(), query).body), "9.0.0.0");
    EXPECT_EQ(Fetch(server.ports(), manifest).body, ReleaseDigest("9.0.0.0"));
    std::ofstream(off).put('\n');
    EXPECT_EQ(AnsweredVersion(Fetch(server.ports(), query).body), "1.0.0.3");
    EXPECT_EQ(Fetch(server.ports(), manifest).body, ReleaseDigest("1.0.0.3"));
}

TEST_F(FaultTest, FaultOnAFileAppliesInEverySeparatorForm)
{
    const size_t size = TheDemoRelease().Content("Plugins/x.dll").size();
    for (const char* form : {"/Plugins/x.dll", "/Plugins\\x.dll", "/Plugins%5Cx.dll"}) {
        for (Route route : {Route::http, Route::tunnel}) {
            SCOPED_TRACE(std::string(RouteName(route)) + " " + form);
            const Response response = Fetch(ports(), {route, std::string(kDownloadPath) + form});
            EXPECT_EQ(response.error, http::error::partial_message);
            EXPECT_EQ(response.content_length, size);
            EXPECT_EQ(response.body.size(), size / 2);
        }
    }
}

// A range is cut as a whole answer is: the part's length announced, half of it sent.
TEST_F(FaultTest, FaultOnAFileCutsTheRangeAsked)
{
    const std::string bytes = TheDemoRelease().Content("Plugins/x.dll");
    Get get{Route::http, std::string(kDownloadPath) + "/Plugins/x.dll"};
    get.headers = {{"Range", "bytes=1000-1999"}};
    const Response response = Fetch(ports(), get);
    EXPECT_EQ(response.status, 206u);
    EXPECT_EQ(response.error, http::error::partial_message);
    EXPECT_EQ(response.Field("Content-Range"), "bytes 1000-1999/" + std::to_string(bytes.size()));
    EXPECT_EQ(response.content_length, 1000u);
    EXPECT_TRUE(response.body == bytes.substr(1000, 500));
}

}  // namespace
