// The request log, as tests of the downloader's HTTP client read it.
#include "demo_release.h"
#include "server_suite.h"
#include "test_client.h"

namespace {

constexpr char kFaultPath[] = "/garbage/assist/server";

class RequestLogTest : public ServerSuite {
protected:
    static void SetUpTestSuite()
    {
        std::vector<std::string> args = DemoServerArgs();
        args.insert(args.end(), {"--fault", std::string(kFaultPath) + "=garbage", "--fault", "/silent=hang"});
        StartServer(args);
    }

    // The last line logged for `listener`.
    static Json::Value LastLine(const std::string& listener)
    {
        Json::Value last;
        for (const Json::Value& line : server_->LogLines()) {
            if (line["listener"] == listener) last = line;
        }
        return last;
    }
};

// What the downloader's HTTP client sends besides the platform's own headers.
const std::pair<std::string, std::string> kClientHeaders[] = {
    {"Accept", "*,*/*"},
    {"Accept-Language", "zh-cn"},
    {"Content-Type", "application/x-www-form-urlencoded"},
    {"Accept-Encoding", "gzip, deflate"},
};

TEST_F(RequestLogTest, RecordsTheRequestAsReceived)
{
    Get get{Route::http, "/assist/server?" + VersionQueryOf(kBank)};
    get.headers.assign(std::begin(kClientHeaders), std::end(kClientHeaders));
    const Response response = Fetch(ports(), get);
    ASSERT_EQ(response.status, 200u);

    const Json::Value line = LastLine("http");
    EXPECT_EQ(line["method"], "GET");
    EXPECT_EQ(line["host"], kBankHost);
    EXPECT_EQ(line["target"], get.target);
    EXPECT_EQ(line["path"], "/assist/server");
    EXPECT_EQ(line["version"], "HTTP/1.0");
    EXPECT_EQ(line["status"], 200);
    EXPECT_EQ(line["bytes"].asUInt64(), response.body.size());
    EXPECT_TRUE(line["fault"].isNull());
    Json::Value expected_headers(Json::arrayValue);
    expected_headers.append(Json::Value(Json::arrayValue));
    expected_headers[0].append("Host");
    expected_headers[0].append(kBankHost);
    for (const auto& [name, value] : kClientHeaders) {
        Json::Value pair(Json::arrayValue);
        pair.append(name);
        pair.append(value);
        expected_headers.append(pair);
    }
    EXPECT_EQ(line["headers"], expected_headers) << line.toStyledString();
}

TEST_F(RequestLogTest, NamesTheListenerAndTheHostOfEachRoute)
{
    const struct {
        Route route;
        const char* host;
        const char* listener;
        const char* target_prefix;
    } cases[] = {
        {Route::http, "a.example", "http", "/"},
        {Route::https, "b.example", "https", "/"},
        {Route::proxy, "c.example", "proxy", "http://c.example/"},
        {Route::tunnel, "d.example", "https", "/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(RouteName(c.route));
        Get get{c.route, std::string(kDownloadPath) + "/Digest.xml", c.host};
        ASSERT_EQ(Fetch(ports(), get).status, 200u);
        const Json::Value line = LastLine(c.listener);
        EXPECT_EQ(line["host"], c.host);
        EXPECT_EQ(line["path"], get.target);
        EXPECT_EQ(line["target"].asString().rfind(c.target_prefix, 0), 0u) << line["target"];
    }
    const Json::Value connect = LastLine("proxy");
    EXPECT_EQ(connect["method"], "CONNECT");
    EXPECT_EQ(connect["target"], "d.example:443");
    EXPECT_EQ(connect["host"], "d.example");
}

TEST_F(RequestLogTest, NumbersTheConnectionEachRequestCameOn)
{
    const std::string path = std::string(kDownloadPath) + "/Digest.xml";
    const std::string request = "GET " + path + " HTTP/1.1\r\nHost: " + kBankHost + "\r\n";
    const size_t before = server_->LogLines().size();
    // Two requests on one kept-alive connection, then one on a connection of its own.
    ASSERT_EQ(SendRaw(ports().http, request + "\r\n" + request + "Connection: close\r\n\r\n").status, 200u);
    ASSERT_EQ(Fetch(ports(), {Route::http, path}).status, 200u);

    const std::vector<Json::Value> lines = server_->LogLines();
    ASSERT_EQ(lines.size(), before + 3);
    EXPECT_TRUE(lines[before]["connection"].isUInt64()) << lines[before];
    EXPECT_EQ(lines[before]["connection"], lines[before + 1]["connection"]);
    EXPECT_NE(lines[before + 1]["connection"], lines[before + 2]["connection"]);
}

TEST_F(RequestLogTest, RecordsTheFaultAndWhatWasSent)
{
    const Response garbage = Fetch(ports(), {Route::http, std::string(kFaultPath) + "?" + VersionQueryOf(kBank)});
    Json::Value line = LastLine("http");
    EXPECT_EQ(line["fault"], "garbage");
    EXPECT_EQ(line["status"], 200);
    EXPECT_EQ(line["bytes"].asUInt64(), garbage.body.size());

    Fetch(ports(), {Route::http, "/silent"}, std::chrono::milliseconds(500));
    line = LastLine("http");
    EXPECT_EQ(line["fault"], "hang");
    EXPECT_TRUE(line["status"].isNull());
    EXPECT_EQ(line["bytes"].asUInt64(), 0u);
}

// The downloader asks for names in GBK, raw or escaped; the log holds them as
// UTF-8, and bytes that are no text as U+FFFD, never as invalid UTF-8.
TEST_F(RequestLogTest, WritesRequestTextAsValidUtf8)
{
    const struct {
        const char* form;
        std::string sent;
        std::string logged;
    } cases[] = {
        {"GBK, raw", "/Plugins\\\xB0\xEF\xD6\xFA.txt", "/Plugins\\帮助.txt"},
        {"GBK with trail byte 5C, raw", "/Plugins/\x81\x5C.txt", "/Plugins/乗.txt"},
        {"GBK, escaped", "/Plugins%5C%B0%EF%D6%FA.txt", "/Plugins%5C%B0%EF%D6%FA.txt"},
        {"UTF-8, raw", "/Plugins/帮助.txt", "/Plugins/帮助.txt"},
        {"neither", "/Plugins/\xFF\xFE.txt", "/Plugins/\uFFFD\uFFFD.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.form);
        Get get{Route::http, kDownloadPath + c.sent};
        get.headers = {{"Referer", c.sent}};
        Fetch(ports(), get);
        const Json::Value line = LastLine("http");
        EXPECT_EQ(line["path"], kDownloadPath + c.logged);
        EXPECT_EQ(line["target"], kDownloadPath + c.logged);
        EXPECT_EQ(line["headers"][1][1], c.logged) << line;
    }
}

}  // namespace
