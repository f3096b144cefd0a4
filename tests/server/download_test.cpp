// The download area: every URL form the downloader builds reaches the file,
// nothing reaches past the folder.
#include "demo_release.h"
#include "server_suite.h"
#include "test_client.h"

namespace {

class DownloadTest : public ServerSuite {
protected:
    static void SetUpTestSuite() { StartServer(DemoServerArgs()); }
};

std::string Under(const std::string& rest)
{
    return std::string(kDownloadPath) + rest;
}

TEST_F(DownloadTest, ServesEachFileInEveryFormTheDownloaderBuilds)
{
    const std::string plugin = std::string(kPluginPath) + "/" + kPluginName;
    const struct {
        const char* form;
        std::string target;
        std::string file;
    } cases[] = {
        {"common manifest", Under("/Digest.xml"), "Digest.xml"},
        {"edition manifest", Under("/Digest_811.xml"), "Digest_811.xml"},
        {"first install", Under("/Plugins/x.dll"), plugin},
        {"first install, empty folder", Under("//") + kTopLevelName, kTopLevelName},
        {"update, raw backslash", Under("/Plugins\\x.dll"), plugin},
        {"update, escaped backslash", Under("/Plugins%5Cx.dll"), plugin},
        {"update, lower-case escape", Under("/Plugins%5cx.dll"), plugin},
        {"GBK name, escaped", Under("/Plugins%5C%B0%EF%D6%FA.txt"), std::string(kPluginPath) + "/" + kChineseName},
        {"GBK name, raw", Under("/Plugins\\\xB0\xEF\xD6\xFA.txt"), std::string(kPluginPath) + "/" + kChineseName},
        {"UTF-8 name", Under("/Plugins/%E5%B8%AE%E5%8A%A9.txt"), std::string(kPluginPath) + "/" + kChineseName},
        {"GBK name with a 5C byte", Under("/Plugins%5C%81%5C.txt"),
         std::string(kPluginPath) + "/" + kBackslashTrailName},
    };
    const struct {
        Route route;
        const char* host;
    } ways[] = {
        {Route::http, kBankHost},   {Route::https, kBankHost},  {Route::proxy, kBankHost},
        {Route::tunnel, kBankHost}, {Route::http, "127.0.0.1"}, {Route::proxy, "mirror.example"},
    };
    for (const auto& way : ways) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(RouteName(way.route)) + " " + way.host + ": " + c.form);
            const std::string expected = TheDemoRelease().Content(c.file);
            Get get{way.route, c.target};
            get.host = way.host;
            const Response response = Fetch(ports(), get);
            ASSERT_EQ(response.status, 200u) << response.body;
            EXPECT_EQ(response.content_type, "application/octet-stream");
            EXPECT_EQ(response.content_length, expected.size());
            EXPECT_TRUE(response.body == expected);
        }
    }
}

TEST_F(DownloadTest, NeverServesAnythingOutsideTheFolder)
{
    const std::string cases[] = {
        Under("/../release.json"),
        Under("/%2E%2E/release.json"),
        Under("/Plugins/../../secret.txt"),
        Under("/Plugins\\..\\..\\secret.txt"),
        Under("/Plugins%5C..%5C..%5Csecret.txt"),
        Under("/link-out"),
        Under("/dir-out/secret.txt"),
        Under("//etc/passwd"),
        Under("/Plugins"),
        Under("/"),
        Under("/missing.dll"),
        "/download/812/Digest.xml",
        "/Digest.xml",
        "/secret.txt",
    };
    for (const std::string& target : cases) {
        for (Route route : {Route::http, Route::proxy}) {
            SCOPED_TRACE(std::string(RouteName(route)) + " " + target);
            const Response response = Fetch(ports(), {route, target});
            EXPECT_EQ(response.status, 404u);
            EXPECT_EQ(response.body.find(kSecret), std::string::npos);
            EXPECT_EQ(response.body.find(kBank), std::string::npos);
        }
    }
}

}  // namespace
