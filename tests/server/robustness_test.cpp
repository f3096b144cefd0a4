// Malformed and stalled clients get a bounded answer and hold up nobody.
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>

#include "demo_release.h"
#include "server_suite.h"
#include "test_client.h"

namespace {

class RobustnessTest : public ServerSuite {
protected:
    static void SetUpTestSuite() { StartServer(DemoServerArgs()); }

    static void ExpectStillServing()
    {
        EXPECT_EQ(Fetch(ports(), {Route::http, std::string(kDownloadPath) + "/Digest.xml"}).status, 200u);
    }
};

TEST_F(RobustnessTest, AnswersMalformedRequestsAndGoesOn)
{
    const struct {
        const char* name;
        std::string bytes;
        unsigned status;
    } cases[] = {
        {"no request line", "\x01\x02 nonsense\r\n\r\n", 400},
        {"TLS on the plain port", std::string("\x16\x03\x01\x00\x05hello", 10), 400},
        {"header too large", "GET / HTTP/1.0\r\nX-Filler: " + std::string(64 * 1024, 'a') + "\r\n\r\n", 431},
        {"body too large", "GET / HTTP/1.0\r\nContent-Length: 100000000\r\n\r\n", 400},
        {"bad header line", "GET / HTTP/1.0\r\nno colon here\r\n\r\n", 400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Response response = SendRaw(ports().http, c.bytes);
        EXPECT_EQ(response.status, c.status) << response.error.message();
        ExpectStillServing();
    }
}

TEST_F(RobustnessTest, OtherMethodsAreNotServed)
{
    const Response response =
        SendRaw(ports().http, std::string("POST ") + kDownloadPath + "/Digest.xml HTTP/1.0\r\n\r\n");
    EXPECT_EQ(response.status, 405u);
}

TEST_F(RobustnessTest, AStalledClientHoldsUpNobody)
{
    boost::asio::io_context io;
    boost::asio::ip::tcp::socket stalled(io);
    stalled.connect({boost::asio::ip::address_v4::loopback(), ports().http});
    boost::asio::write(stalled, boost::asio::buffer(std::string("GET / HTTP/1.0\r\nHost: a")));
    ExpectStillServing();
}

}  // namespace
