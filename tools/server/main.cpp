// pellis-server: the reference bank server (see kUsage in options.cpp).
#include <csignal>
#include <cstdio>
#include <thread>
#include <vector>

#include <boost/asio/io_context.hpp>

#include "tools/server/metrics.h"
#include "tools/server/options.h"
#include "tools/server/router.h"
#include "tools/server/server.h"

namespace {

constexpr int kExitRunFailure = 1;
constexpr int kExitBadInput = 2;

// Every thread takes the next ready handler, so all of them answer queries;
// the handlers of one connection still run one at a time (see Listener).
void RunOnThreads(boost::asio::io_context& io, unsigned count)
{
    std::vector<std::thread> others;
    for (unsigned i = 1; i < count; ++i) others.emplace_back([&io] { io.run(); });
    io.run();
    for (std::thread& thread : others) thread.join();
}

int Fail(int code, const std::string& error)
{
    std::fprintf(stderr, "pellis-server: %s\n", error.c_str());
    if (code == kExitBadInput) std::fputs("Try 'pellis-server --help'.\n", stderr);
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    ServerOptions options;
    std::string error;
    switch (ParseOptions(args, &options, &error)) {
        case ParseOutcome::help:
            std::fputs(kUsage, stdout);
            return 0;
        case ParseOutcome::error:
            return Fail(kExitBadInput, error);
        case ParseOutcome::run:
            break;
    }
    Metrics metrics;
    std::optional<Router> router = Router::Load(options, metrics, &error);
    if (!router) return Fail(kExitBadInput, error);

    // A reader of the log or of stdout that goes away must not end the server.
    std::signal(SIGPIPE, SIG_IGN);

    boost::asio::io_context io(static_cast<int>(options.threads));
    const Server::ReadOptions read_options = [args](ServerOptions* fresh, std::string* reason) {
        return ParseOptions(args, fresh, reason) == ParseOutcome::run;
    };
    Server server(io, options, std::move(*router), metrics, read_options);
    if (!server.Start(&error)) return Fail(kExitRunFailure, error);
    RunOnThreads(io, options.threads);
    return 0;
}
