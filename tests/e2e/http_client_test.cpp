// CHttpClient under Wine against pellis-server, reached through the prefix's
// proxy like any bank server. Suites map to server set-ups in tests/CMakeLists.txt.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "protocol/http_client.h"
#include "protocol/wininet_request.h"
#include "tests/support/server_log.h"
#include "tests/support/test_files.h"

namespace {

std::string Fixture(const char* name)
{
    return ReadBytes(SourceFile(std::string("tests/fixtures/http/") + name));
}

const char kBank[] = "http://bank.example";

TEST(HttpClient, SendsTheFourHeadersInOrderOverHttp10)
{
    CHttpClient client;
    std::string body;
    ASSERT_EQ(client.HttpGet(std::string(kBank) + "/body2500?probe=headers", body), kHttpOk);
    const auto log = ReadServerLog();
    ASSERT_FALSE(log.empty());
    const LoggedRequest& seen = log.back();
    EXPECT_EQ(seen.method, "GET");
    EXPECT_EQ(seen.version, "HTTP/1.0");
    const std::pair<std::string, std::string> expected[] = {
        {"Accept", "*,*/*"},
        {"Accept-Language", "zh-cn"},
        {"Content-Type", "application/x-www-form-urlencoded"},
        {"Accept-Encoding", "gzip, deflate"},
    };
    size_t next = 0;
    for (const auto& header : seen.headers) {
        if (next < std::size(expected) && header == expected[next])
            ++next;
    }
    EXPECT_EQ(next, std::size(expected)) << "the four headers, in this order";
}

struct BodyCase {
    const char* path;
    std::string expected;
};

class HttpClientBody : public ::testing::TestWithParam<BodyCase> {};

TEST_P(HttpClientBody, IsReturnedWithResultZero)
{
    CHttpClient client;
    std::string body = "previous";
    ASSERT_EQ(client.HttpGet(std::string(kBank) + GetParam().path, body), kHttpOk);
    EXPECT_EQ(body, GetParam().expected);
}

// A zero byte at offset 10 ends the first 1024-byte chunk there; the next chunk still counts.
std::string ZeroCut()
{
    const std::string raw = Fixture("zero_at_10.bin");
    return raw.substr(0, 10) + raw.substr(1024);
}

INSTANTIATE_TEST_SUITE_P(HttpClient, HttpClientBody,
                         ::testing::Values(BodyCase{"/body2500", Fixture("body2500.bin")},
                                           BodyCase{"/zero", ZeroCut()},
                                           BodyCase{"/missing.html", Fixture("not_found.html")},  // status 404
                                           BodyCase{"/empty", ""}));

TEST(HttpClient, SilentServerFailsAfterTheTimeout)
{
    CHttpClient client;
    std::string body = "kept";
    const DWORD start = ::GetTickCount();
    const int result = client.HttpGet(std::string(kBank) + "/silent", body);
    const DWORD elapsed = ::GetTickCount() - start;
    // Windows reports 2 (time-out); Wine reports its receive time-out as a
    // closed connection, which maps to 1.
    EXPECT_NE(result, kHttpOk);
    EXPECT_EQ(body, "kept");
    EXPECT_GE(elapsed, 2500u);
    EXPECT_LT(elapsed, 20000u);
}

TEST(HttpClient, TimeoutErrorMapsToTwo)
{
    EXPECT_EQ(HttpFailureResult(ERROR_INTERNET_TIMEOUT), kHttpTimedOut);
    EXPECT_EQ(HttpFailureResult(ERROR_INTERNET_CONNECTION_ABORTED), kHttpFailed);
    EXPECT_EQ(HttpFailureResult(ERROR_INTERNET_NAME_NOT_RESOLVED), kHttpFailed);
    EXPECT_EQ(HttpFailureResult(ERROR_INTERNET_CANNOT_CONNECT), kHttpFailed);
}

// What a null handle's time-outs read as, option by option: WinINet takes a
// null handle as the whole process.
std::vector<std::string> ProcessTimeouts()
{
    std::vector<std::string> values;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD value = 0;
        DWORD size = sizeof value;
        values.push_back(::InternetQueryOptionA(nullptr, option, &value, &size) ? std::to_string(value) : "(none)");
    }
    return values;
}

// A request that failed to open leaves a null handle; its time-outs must not
// become those of every later session of the process.
TEST(HttpClient, TimeoutsOfANullHandleAreRefused)
{
    const std::vector<std::string> before = ProcessTimeouts();
    ASSERT_NE(before[0], "(none)") << "the process-wide connect time-out cannot be read";
    EXPECT_FALSE(SetTimeouts(nullptr, 1234));
    EXPECT_EQ(ProcessTimeouts(), before);
}

// Wine's WinINet reports a CONNECT that the proxy closes unanswered as an
// empty response, not as a failure (Windows may differ): no body arrives.
TEST(HttpClient, RefusedHostGivesNoBody)
{
    CHttpClient client;
    std::string body = "kept";
    const int result = client.HttpGet("https://refused.example/assist/server?reqtype=1&data=00", body);
    EXPECT_TRUE(result == kHttpFailed || (result == kHttpOk && body.empty())) << result << " [" << body << "]";
}

TEST(HttpClient, OtherSchemesFailWithoutTraffic)
{
    const size_t before = ReadServerLog().size();
    CHttpClient client;
    std::string body;
    EXPECT_EQ(client.HttpGet("file:///C:/windows/win.ini", body), kHttpFailed);
    EXPECT_EQ(client.HttpGet("ftp://bank.example/x", body), kHttpFailed);
    EXPECT_EQ(client.HttpGet("not a url", body), kHttpFailed);
    EXPECT_EQ(ReadServerLog().size(), before);
}

// Run in a prefix whose proxy does not listen: nothing can be reached.
TEST(Unreachable, HttpAndHttpsFail)
{
    CHttpClient client;
    std::string body = "kept";
    EXPECT_EQ(client.HttpGet("http://bank.example/body2500", body), kHttpFailed);
    EXPECT_EQ(client.HttpGet("https://ebank.aldmoor.example/body2500", body), kHttpFailed);
    EXPECT_EQ(body, "kept");
}

// Run against servers with a self-signed, an expired and a wrongly named certificate.
TEST(HttpsCertificate, IsReadNormally)
{
    CHttpClient client;
    std::string body;
    ASSERT_EQ(client.HttpGet("https://ebank.aldmoor.example/body2500", body), kHttpOk);
    EXPECT_EQ(body, Fixture("body2500.bin"));
}

}  // namespace
