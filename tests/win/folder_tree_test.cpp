#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

#include "engine/install_folders.h"
#include "engine/update_context.h"
#include "system/folder_tree.h"
#include "tests/support/test_files.h"

namespace {

const char kWorkFolder[] = "C:\\folder-tree";

struct TreeCase {
    const char* why;
    std::string path;
    bool result;
    std::vector<std::string> created;  // folders that exist afterwards
    std::vector<std::string> absent;   // folders that do not
};

std::ostream& operator<<(std::ostream& out, const TreeCase& c)
{
    return out << c.why << ": \"" << c.path << "\"";
}

class FolderTree : public ::testing::TestWithParam<TreeCase> {
protected:
    void SetUp() override
    {
        ::CreateDirectoryA(kWorkFolder, nullptr);
        WriteFileBytes(std::string(kWorkFolder) + "\\file", "not a folder");
        // Relative paths and those starting with "\" resolve against it.
        ASSERT_TRUE(::SetCurrentDirectoryA(kWorkFolder));
    }
};

TEST_P(FolderTree, CreatesMissingFoldersFromTheOutsideIn)
{
    EXPECT_EQ(CreateFolderTree(GetParam().path), GetParam().result);
    for (const std::string& folder : GetParam().created)
        EXPECT_TRUE(IsFolder(folder)) << folder;
    for (const std::string& folder : GetParam().absent)
        EXPECT_FALSE(IsFolder(folder)) << folder;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FolderTree,
    ::testing::Values(
        TreeCase{"parent missing", "C:\\tree-a\\B", true, {"C:\\tree-a", "C:\\tree-a\\B"}, {}},
        TreeCase{"doubled and trailing backslashes", "C:\\tree-b\\\\B\\", true, {"C:\\tree-b", "C:\\tree-b\\B"}, {}},
        TreeCase{"existing folder", "C:\\windows", true, {"C:\\windows"}, {}},
        TreeCase{"empty path", "", true, {}, {}},
        TreeCase{"relative: the first component is never created", "A\\B", false, {},
                 {"C:\\folder-tree\\A", "C:\\folder-tree\\A\\B"}},
        TreeCase{"two leading backslashes name folders on the current drive's root", "\\\\tree-srv\\share\\x", true,
                 {"C:\\tree-srv", "C:\\tree-srv\\share", "C:\\tree-srv\\share\\x"}, {}},
        TreeCase{"a file in the way", "C:\\folder-tree\\file\\sub", false, {}, {"C:\\folder-tree\\file\\sub"}}));

TEST(InstallFolders, MirrorTheFourSubFoldersUnderTheStagingFolder)
{
    CUpdateContext context(nullptr, "KORVA", kRunModeInstall, "http://bank.example/811", kNoUpdate, "1.0.0.1", "C:\\tree-p");
    ASSERT_TRUE(CreateFolderTree(context.installPath));
    EXPECT_TRUE(CreateInstallFolders(context));
    for (const char* folder : {"Data", "Plugins", "Script", "Tools", "DownLoad", "DownLoad\\Data", "DownLoad\\Plugins",
                               "DownLoad\\Script", "DownLoad\\Tools"})
        EXPECT_TRUE(IsFolder(std::string("C:\\tree-p\\") + folder)) << folder;
    EXPECT_FALSE(Exists("C:\\tree-p\\DownLoad\\DownLoad"));
}

TEST(InstallFolders, IgnoreFailures)
{
    CUpdateContext context(nullptr, "KORVA", kRunModeInstall, "http://bank.example/811", kNoUpdate, "1.0.0.1", "C:\\tree-q");
    ASSERT_TRUE(CreateFolderTree(context.installPath));
    WriteFileBytes("C:\\tree-q\\Plugins", "a file where a folder belongs");
    EXPECT_TRUE(CreateInstallFolders(context));
    EXPECT_TRUE(IsFolder("C:\\tree-q\\Tools"));
    EXPECT_TRUE(IsFolder("C:\\tree-q\\DownLoad\\Tools"));
}

}  // namespace
