// pellis-server as a subprocess of a test: started on free ports, always with
// a lifetime, killed and reaped at the end.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <json/json.h>

// A scratch folder, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }

    // Writes `bytes` to path()/name, creating folders; the full path.
    std::string Write(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};

struct Ports {
    uint16_t http = 0;
    uint16_t https = 0;
    uint16_t proxy = 0;
    uint16_t admin = 0;  // 0: no admin listener
};

struct Ended {
    bool exited = false;  // false: still running at the time limit, then killed
    int code = -1;        // exit code, or -signal number
    std::string out;
    std::string err;
};

// Runs pellis-server with `args` to its end, killing it after `limit`.
Ended RunServerToEnd(const std::vector<std::string>& args, std::chrono::seconds limit);

class ServerProcess {
public:
    static constexpr std::chrono::seconds kLifetime{120};

    // Starts pellis-server with `args` plus --ports-file, --log and --lifetime,
    // and waits until it listens (see listening()).
    explicit ServerProcess(std::vector<std::string> args, std::chrono::seconds lifetime = kLifetime);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    bool listening() const { return listening_; }
    const Ports& ports() const { return ports_; }

    // Every line of the request log so far, parsed.
    std::vector<Json::Value> LogLines() const;
    std::string Stderr() const;
    // The server's JSON lines on stderr so far, parsed (its reload reports).
    std::vector<Json::Value> Events() const;

    // Waits up to `limit` for a log line for which `wanted` holds.
    bool WaitForLogLine(const std::function<bool(const Json::Value&)>& wanted, std::chrono::seconds limit) const;

    void Signal(int signal) const;

    // Sends `signal` (0: none) and waits up to `limit` for the end.
    Ended Stop(int signal, std::chrono::seconds limit);

private:
    TempDir dir_;
    pid_t pid_ = -1;
    bool listening_ = false;
    Ports ports_;
};
