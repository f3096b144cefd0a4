// Emptying the staging folder: files go, folders stay.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "engine/install_worker.h"
#include "tests/e2e/test_files.h"

namespace {

const char kStaging[] = "C:\\pellis-test\\purge\\DownLoad";

bool IsFolder(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(PurgeFolder, DeletesFilesAtEveryLevelAndKeepsTheFolders)
{
    RemoveTree(kStaging);
    MakeFolders(kStaging + std::string("\\Data\\Deep"));
    for (const char* file : {"b.xml", "Data\\a.dll", "Data\\Deep\\c.txt"})
        ASSERT_TRUE(WriteFileBytes(kStaging + std::string("\\") + file, "x"));
    EXPECT_EQ(PurgeFolder(kStaging), 1);
    EXPECT_TRUE(ListFiles(kStaging).empty());
    EXPECT_TRUE(IsFolder(kStaging + std::string("\\Data\\Deep")));
}

// Names beginning with "." are passed over, like "." and "..".
TEST(PurgeFolder, EntriesBeginningWithADotAreLeftAlone)
{
    RemoveTree(kStaging);
    MakeFolders(kStaging + std::string("\\.cache"));
    ASSERT_TRUE(WriteFileBytes(kStaging + std::string("\\.cache\\x.bin"), "x"));
    ASSERT_TRUE(WriteFileBytes(kStaging + std::string("\\.keep"), "x"));
    EXPECT_EQ(PurgeFolder(kStaging), 1);
    EXPECT_EQ(ListFiles(kStaging), (std::vector<std::string>{".cache\\x.bin", ".keep"}));
}

TEST(PurgeFolder, MissingFolderCannotBeListed)
{
    RemoveTree(kStaging);
    EXPECT_EQ(PurgeFolder(kStaging), 0);
}

}  // namespace
