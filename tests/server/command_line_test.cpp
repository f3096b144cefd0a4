// Starting and stopping pellis-server from scripts: usage, refusals of bad
// input with their exit codes, and every way it stops.
#include <signal.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>

#include <gtest/gtest.h>

#include "demo_release.h"
#include "server_process.h"

namespace {

constexpr std::chrono::seconds kRunLimit{20};
// Stopping is immediate; the bound only keeps a broken server from hanging the test.
constexpr std::chrono::seconds kStopLimit{5};

TEST(CommandLineTest, HelpNamesEveryOptionAndSucceeds)
{
    const Ended ended = RunServerToEnd({"--help"}, kRunLimit);
    ASSERT_TRUE(ended.exited);
    EXPECT_EQ(ended.code, 0);
    for (const char* option :
         {"--config", "--deploy", "--release", "--serve", "--status", "--bind", "--http-port", "--https-port",
          "--proxy-port", "--admin-port", "--cert", "--refuse", "--blackhole", "--upstream", "--fault", "--log",
          "--faults-until", "--then-release", "--ports-file", "--lifetime", "--threads"}) {
        EXPECT_NE(ended.out.find(option), std::string::npos) << option;
    }
}

// A release.json nested past jsoncpp's stack limit, which made the reader throw.
std::string DeepRelease(const TempDir& dir)
{
    dir.Write("deep/release.json", "{\"bank\":" + std::string(2000, '[') + std::string(2000, ']') + "}");
    dir.Write("deep/download/Digest.xml", "");
    return dir.path() + "/deep";
}

TEST(CommandLineTest, BadInputExitsWith2AndSaysWhat)
{
    const TempDir dir;
    const struct {
        std::vector<std::string> args;
        const char* mentioned;
    } cases[] = {
        {{"--bogus"}, "--bogus"},
        {{"stray"}, "stray"},
        {{"--lifetime"}, "--lifetime needs a value"},
        {{"--lifetime", "0"}, "--lifetime"},
        {{"--threads", "0"}, "--threads"},
        {{"--threads", "many"}, "many"},
        {{"--http-port", "65536"}, "65536"},
        {{"--bind", "localhost"}, "localhost"},
        {{"--cert", "valid"}, "valid"},
        {{"--fault", "/x=explode"}, "explode"},
        {{"--upstream", "mirror.example=localhost:80"}, "localhost"},
        {{"--upstream", "mirror.example=127.0.0.1"}, "HOST=ADDR:PORT"},
        {{"--fault", "x=hang"}, "x=hang"},
        {{"--status", "/x=404"}, "--serve"},
        {{"--serve", "/x=/nonexistent/body", "--status", "/x=99"}, "99"},
        {{"--log", "a", "--log", "b"}, "--log given twice"},
        {{"--serve", "/x=/nonexistent/body"}, "/nonexistent/body"},
        {{"--release", "/nonexistent/release"}, "/nonexistent/release"},
        {{"--deploy", "/nonexistent/deploy"}, "/nonexistent/deploy"},
        {{"--release", DeepRelease(dir)}, "release.json is nested deeper than the JSON reader allows"},
        {{"--config", "/nonexistent/pellis-server.conf"}, "/nonexistent/pellis-server.conf"},
        {{"--admin-port", "x"}, "--admin-port"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
        const Ended ended = RunServerToEnd(c.args, kRunLimit);
        ASSERT_TRUE(ended.exited);
        EXPECT_EQ(ended.code, 2);
        EXPECT_NE(ended.err.find(c.mentioned), std::string::npos) << ended.err;
    }
}

TEST(CommandLineTest, BusyPortExitsWith1)
{
    const ServerProcess first({});
    ASSERT_TRUE(first.listening()) << first.Stderr();
    const Ended ended =
        RunServerToEnd({"--proxy-port", std::to_string(first.ports().proxy), "--lifetime", "5"}, kRunLimit);
    ASSERT_TRUE(ended.exited);
    EXPECT_EQ(ended.code, 1);
    EXPECT_NE(ended.err.find("cannot listen"), std::string::npos) << ended.err;
}

TEST(StopTest, SignalsStopItWhileAConnectionIsHeld)
{
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        ServerProcess server({"--fault", "/held=hang"});
        ASSERT_TRUE(server.listening()) << server.Stderr();
        boost::asio::io_context io;
        boost::asio::ip::tcp::socket held(io);
        held.connect({boost::asio::ip::address_v4::loopback(), server.ports().http});
        boost::asio::write(held, boost::asio::buffer(std::string("GET /held HTTP/1.0\r\n\r\n")));
        ASSERT_TRUE(server.WaitForLogLine([](const Json::Value& line) { return line["fault"] == "hang"; }, kStopLimit));

        const Ended ended = server.Stop(signal, kStopLimit);
        EXPECT_TRUE(ended.exited);
        EXPECT_EQ(ended.code, 0) << ended.err;
        char byte = 0;
        boost::system::error_code ec;
        boost::asio::read(held, boost::asio::buffer(&byte, 1), ec);
        EXPECT_EQ(ec, boost::asio::error::eof);
    }
}

TEST(StopTest, LifetimeEndsItAndThePortsWentToStdout)
{
    ServerProcess server({}, std::chrono::seconds(1));
    ASSERT_TRUE(server.listening()) << server.Stderr();
    const Ended ended = server.Stop(0, kRunLimit);
    EXPECT_TRUE(ended.exited);
    EXPECT_EQ(ended.code, 0);
    EXPECT_EQ(ended.out, "http=" + std::to_string(server.ports().http) +
                             " https=" + std::to_string(server.ports().https) +
                             " proxy=" + std::to_string(server.ports().proxy) + "\n");
}

}  // namespace
