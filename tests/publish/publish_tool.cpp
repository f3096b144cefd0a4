#include "tests/publish/publish_tool.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

ToolResult RunPublish(const std::vector<std::string>& args) { return RunTool(PELLIS_PUBLISH_TOOL, args); }

ToolResult RunTool(const std::string& program, const std::vector<std::string>& args)
{
    TempFolder captured;
    const std::string outPath = captured / "stdout";
    const std::string errPath = captured / "stderr";

    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);

    ToolResult result;
    int status = 0;
    if (spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    return result;
}

std::vector<std::string> PublishArgs(const std::string& deployDir, const std::string& filesDir,
                                     const std::string& outDir, const std::string& editionList)
{
    std::vector<std::string> args{"--deploy", deployDir, "--bank",  "0x811",  "--version", "1.0.0.3",
                                  "--update", "1",       "--url",   "http://127.0.0.1:8080/download",
                                  "--files",  filesDir,  "--out",   outDir};
    if (!editionList.empty()) {
        args.push_back("--edition-list");
        args.push_back(editionList);
    }
    return args;
}

std::string DemoDeployDir()
{
    return std::string(PELLIS_SOURCE_DIR) + "/deploy/demo";
}

TempFolder::TempFolder()
{
    std::string pattern = (fs::temp_directory_path() / "pellis-publish-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        ADD_FAILURE() << "cannot create a temporary folder";
    path_ = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& contents)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

std::vector<std::string> ListTree(const std::string& root)
{
    std::vector<std::string> entries;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path().lexically_relative(root).string());
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
