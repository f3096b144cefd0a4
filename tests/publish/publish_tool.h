// Runs the real pellis-publish or pellis-keygen and builds its inputs in temporary folders.
#pragma once

#include <string>
#include <vector>

struct ToolResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

ToolResult RunPublish(const std::vector<std::string>& args);
ToolResult RunTool(const std::string& program, const std::vector<std::string>& args);

// The arguments of a normal run for bank 0x811; `editionList` may be empty.
std::vector<std::string> PublishArgs(const std::string& deployDir, const std::string& filesDir,
                                     const std::string& outDir, const std::string& editionList = "");

// The demonstration deployment folder of the repository.
std::string DemoDeployDir();

// A fresh folder, removed with everything in it at the end of the scope.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

// Writes `contents` at `path`, creating the folders above it.
void WriteFile(const std::string& path, const std::string& contents);
std::string ReadFile(const std::string& path);

// Every file and folder below `root`, as sorted relative paths.
std::vector<std::string> ListTree(const std::string& root);
// The sorted names in `folder` itself.
std::vector<std::string> ListFolder(const std::string& folder);
