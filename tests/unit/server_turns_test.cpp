// Which server answers the sealed request, with a stand-in transport: each
// URL gets a scripted result, and the order of the requests is recorded.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "protocol/http_result.h"
#include "protocol/server_turns.h"

namespace {

const char kTail[] = "/assist/server?reqtype=1&data=E";
const char kUntouched[] = "untouched";

struct Reply {
    int result;
    std::string body;  // given only with kHttpOk
};

struct Case {
    const char* name;
    std::vector<std::string> alternatives;  // empty: the server URL "M" alone
    std::map<std::string, Reply> replies;   // by base URL; not listed: kHttpFailed
    bool answered;
    std::string answer;
    std::vector<std::string> asked;  // base URLs, in order
};

std::ostream& operator<<(std::ostream& out, const Case& c) { return out << c.name; }

const Case kCases[] = {
    {"the one server answers", {}, {{"M", {kHttpOk, "A"}}}, true, "A", {"M"}},
    {"the one server answers with no body", {}, {{"M", {kHttpOk, ""}}}, true, "", {"M"}},
    {"the one server fails", {}, {}, false, kUntouched, {"M"}},
    {"the one server times out", {}, {{"M", {kHttpTimedOut, ""}}}, false, kUntouched, {"M"}},
    {"the first alternative answers; no other is asked", {"A1", "A2", "A3"}, {{"A1", {kHttpOk, "1"}}}, true, "1",
     {"A1"}},
    {"a failing alternative passes the turn", {"A1", "A2", "A3"}, {{"A2", {kHttpOk, "2"}}}, true, "2", {"A1", "A2"}},
    {"a timed-out alternative passes the turn",
     {"A1", "A2"},
     {{"A1", {kHttpTimedOut, ""}}, {"A2", {kHttpOk, "2"}}},
     true,
     "2",
     {"A1", "A2"}},
    {"an empty body passes the turn",
     {"A1", "A2", "A3"},
     {{"A1", {kHttpOk, ""}}, {"A3", {kHttpOk, "3"}}},
     true,
     "3",
     {"A1", "A2", "A3"}},
    {"only empty bodies: answered, with nothing", {"A1", "A2"}, {{"A1", {kHttpOk, ""}}}, true, "", {"A1", "A2"}},
    {"every alternative fails", {"A1", "A2", "A3"}, {}, false, kUntouched, {"A1", "A2", "A3"}},
};

TEST(ServerTurns, EachServerGetsItsTurnUntilOneAnswersWithABody)
{
    for (const Case& c : kCases) {
        CServerInfo server;
        server.serverUrl = "M";
        server.serverUrls = c.alternatives;
        std::vector<std::string> asked;
        const HttpGetter get = [&](const std::string& url, std::string& response) {
            EXPECT_EQ(url.substr(url.size() - sizeof kTail + 1), kTail) << c;
            const std::string base = url.substr(0, url.size() - sizeof kTail + 1);
            asked.push_back(base);
            const auto reply = c.replies.find(base);
            if (reply == c.replies.end())
                return kHttpFailed;
            if (reply->second.result == kHttpOk)
                response = reply->second.body;
            return reply->second.result;
        };
        std::string answer = kUntouched;
        EXPECT_EQ(AskServersInTurn(server, kTail, get, answer), c.answered) << c;
        EXPECT_EQ(answer, c.answer) << c;
        EXPECT_EQ(asked, c.asked) << c;
    }
}

}  // namespace
