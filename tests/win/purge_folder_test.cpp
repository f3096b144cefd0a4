// Emptying the staging folder: files go, folders stay.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "engine/install_worker.h"
#include "tests/support/test_files.h"

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

// Only "." and ".." are passed over: a file or folder whose name merely begins
// with a dot is staged like any other, and a file left behind would be copied
// into the installation again by every later update.
TEST(PurgeFolder, NamesBeginningWithADotArePurgedLikeAnyOther)
{
    RemoveTree(kStaging);
    MakeFolders(kStaging + std::string("\\.cache\\..deep"));
    MakeFolders(kStaging + std::string("\\Data"));
    for (const char* file : {".x", "..y", ".cache\\x.bin", ".cache\\..deep\\.z", "Data\\.w"})
        ASSERT_TRUE(WriteFileBytes(kStaging + std::string("\\") + file, "x")) << file;
    EXPECT_EQ(PurgeFolder(kStaging), 1);
    EXPECT_TRUE(ListFiles(kStaging).empty());
    EXPECT_TRUE(IsFolder(kStaging + std::string("\\.cache\\..deep")));
}

TEST(PurgeFolder, MissingFolderCannotBeListed)
{
    RemoveTree(kStaging);
    EXPECT_EQ(PurgeFolder(kStaging), 0);
}

}  // namespace
