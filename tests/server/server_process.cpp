#include "server_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::chrono::seconds kStartLimit{20};
constexpr std::chrono::milliseconds kPollInterval{20};
constexpr char kOutName[] = "/stdout";
constexpr char kErrName[] = "/stderr";

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

pid_t Spawn(const std::vector<std::string>& args, const std::string& dir)
{
    std::vector<std::string> all{PELLIS_SERVER_EXE};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string out = dir + kOutName;
    const std::string err = dir + kErrName;

    const pid_t pid = fork();
    if (pid == 0) {
        // The server must not outlive a test program that dies.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out_fd < 0 || err_fd < 0 || dup2(out_fd, 1) < 0 || dup2(err_fd, 2) < 0) _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

// Waits up to `limit`; then kills. Fills exited and code.
void Reap(pid_t pid, std::chrono::milliseconds limit, Ended* ended)
{
    const auto deadline = Clock::now() + limit;
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(pid, &status, WNOHANG)) == 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(kPollInterval);
    }
    ended->exited = done == pid;
    if (!ended->exited) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    ended->code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

bool ParsePorts(const std::string& text, Ports* ports)
{
    unsigned http = 0, https = 0, proxy = 0, admin = 0;
    const int read = std::sscanf(text.c_str(), "http=%u https=%u proxy=%u admin=%u", &http, &https, &proxy, &admin);
    if (read < 3) return false;
    ports->http = static_cast<uint16_t>(http);
    ports->https = static_cast<uint16_t>(https);
    ports->proxy = static_cast<uint16_t>(proxy);
    ports->admin = static_cast<uint16_t>(admin);
    return true;
}

// Each line of `text`, parsed; null where it holds no JSON.
std::vector<Json::Value> JsonLines(const std::string& text)
{
    std::vector<Json::Value> lines;
    std::istringstream in(text);
    std::string line_text;
    while (std::getline(in, line_text)) {
        Json::Value line;
        std::istringstream line_in(line_text);
        std::string errors;
        Json::parseFromStream(Json::CharReaderBuilder(), line_in, &line, &errors);
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/pellis-server-test-XXXXXX";
    if (mkdtemp(pattern.data())) path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const
{
    const fs::path path = fs::path(path_) / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

Ended RunServerToEnd(const std::vector<std::string>& args, std::chrono::seconds limit)
{
    TempDir dir;
    Ended ended;
    Reap(Spawn(args, dir.path()), limit, &ended);
    ended.out = ReadFile(dir.path() + kOutName);
    ended.err = ReadFile(dir.path() + kErrName);
    return ended;
}

ServerProcess::ServerProcess(std::vector<std::string> args, std::chrono::seconds lifetime)
{
    const std::string ports_file = dir_.path() + "/ports";
    args.insert(args.end(), {"--ports-file", ports_file, "--log", dir_.path() + "/log.jsonl", "--lifetime",
                             std::to_string(lifetime.count())});
    pid_ = Spawn(args, dir_.path());
    const auto deadline = Clock::now() + kStartLimit;
    while (Clock::now() < deadline) {
        if (ParsePorts(ReadFile(ports_file), &ports_)) {
            listening_ = true;
            return;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

ServerProcess::~ServerProcess()
{
    if (pid_ > 0) Stop(SIGKILL, std::chrono::seconds(5));
}

std::vector<Json::Value> ServerProcess::LogLines() const
{
    return JsonLines(ReadFile(dir_.path() + "/log.jsonl"));
}

std::vector<Json::Value> ServerProcess::Events() const
{
    return JsonLines(Stderr());
}

void ServerProcess::Signal(int signal) const
{
    if (pid_ > 0) kill(pid_, signal);
}

bool ServerProcess::WaitForLogLine(const std::function<bool(const Json::Value&)>& wanted,
                                   std::chrono::seconds limit) const
{
    const auto deadline = Clock::now() + limit;
    do {
        for (const Json::Value& line : LogLines()) {
            if (wanted(line)) return true;
        }
        std::this_thread::sleep_for(kPollInterval);
    } while (Clock::now() < deadline);
    return false;
}

std::string ServerProcess::Stderr() const
{
    return ReadFile(dir_.path() + kErrName);
}

Ended ServerProcess::Stop(int signal, std::chrono::seconds limit)
{
    Ended ended;
    if (pid_ <= 0) return ended;
    if (signal != 0) kill(pid_, signal);
    Reap(pid_, limit, &ended);
    pid_ = -1;
    ended.out = ReadFile(dir_.path() + kOutName);
    ended.err = ReadFile(dir_.path() + kErrName);
    return ended;
}
