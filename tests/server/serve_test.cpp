// Bodies served as-is, for tests of the downloader's HTTP client.
#include <vector>

#include "server_suite.h"
#include "test_client.h"

namespace {

struct ServedCase {
    const char* path;
    std::string bytes;
    unsigned status;
};

const std::vector<ServedCase>& Cases()
{
    static const std::vector<ServedCase> cases = {
        {"/body-2500", std::string(2500, 'b'), 200},
        // A zero byte at position 10 of the second 1024-byte chunk.
        {"/zero-in-chunk", std::string(1034, 'a') + std::string(1, '\0') + std::string(1013, 'd'), 200},
        {"/not-found.html", "<html><body>no such page</body></html>", 404},
        {"/empty", "", 200},
    };
    return cases;
}

class ServeTest : public ServerSuite {
protected:
    static void SetUpTestSuite()
    {
        static const TempDir files;
        std::vector<std::string> args;
        for (const ServedCase& c : Cases()) {
            args.insert(args.end(), {"--serve", std::string(c.path) + "=" + files.Write(c.path + 1, c.bytes)});
            if (c.status != 200)
                args.insert(args.end(), {"--status", std::string(c.path) + "=" + std::to_string(c.status)});
        }
        StartServer(args);
    }
};

TEST_F(ServeTest, ServesTheFileBytesWithTheGivenStatus)
{
    for (const ServedCase& c : Cases()) {
        for (Route route : {Route::http, Route::proxy, Route::tunnel}) {
            SCOPED_TRACE(std::string(RouteName(route)) + " " + c.path);
            const Response response = Fetch(ports(), {route, c.path});
            EXPECT_EQ(response.status, c.status);
            EXPECT_EQ(response.content_length, c.bytes.size());
            EXPECT_TRUE(response.body == c.bytes);
        }
    }
}

}  // namespace
