// The version query: the bank id sealed in, the release's answer sealed out.
#include <sstream>

#include <json/json.h>

#include "demo_release.h"
#include "server_suite.h"
#include "test_client.h"

namespace {

class VersionQueryTest : public ServerSuite {
protected:
    static void SetUpTestSuite() { StartServer(DemoServerArgs()); }
};

constexpr Route kRoutes[] = {Route::http, Route::https, Route::proxy, Route::tunnel};

// Base URLs as banks configure them, one of them already ending in "/assist/".
constexpr const char* kServicePaths[] = {"/assist/server", "/assist//assist/server", "/pweb/assist/server"};

TEST_F(VersionQueryTest, AnswersWithTheReleaseSealedOnEveryRoute)
{
    for (Route route : kRoutes) {
        for (const char* path : kServicePaths) {
            SCOPED_TRACE(std::string(RouteName(route)) + " " + path);
            const Response response = Fetch(ports(), {route, std::string(path) + "?" + VersionQueryOf(kBank)});
            ASSERT_EQ(response.status, 200u) << response.body;
            const std::optional<std::string> message = OpenAnswer(response.body);
            ASSERT_TRUE(message) << response.body;

            Json::Value answer;
            std::istringstream in(*message);
            std::string errors;
            ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &answer, &errors)) << *message;
            EXPECT_EQ(answer["v"], kVersion);
            EXPECT_EQ(answer["url"], kDownloadUrl);
            EXPECT_EQ(answer["update"], kUpdateMode);
        }
    }
}

TEST_F(VersionQueryTest, RejectsWhatItCannotAnswer)
{
    std::string altered = VersionQueryOf(kBank);
    altered[altered.size() / 2] = altered[altered.size() / 2] == 'A' ? 'B' : 'A';
    const struct {
        const char* name;
        std::string query;
        unsigned status;
    } cases[] = {
        {"another bank", VersionQueryOf("812"), 404},
        {"altered envelope", altered, 400},
        {"not an envelope", "reqtype=1&data=ABCDEF", 400},
        {"no data", "reqtype=1", 400},
        {"another request type", "reqtype=2&data=" + Seal(kBank), 400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Response response = Fetch(ports(), {Route::http, "/assist/server?" + c.query});
        EXPECT_EQ(response.status, c.status) << response.body;
        EXPECT_FALSE(OpenAnswer(response.body));
    }
}

}  // namespace
