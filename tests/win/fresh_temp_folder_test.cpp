// The folders runtime packages are downloaded into, under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "system/fresh_temp_folder.h"
#include "system/handles.h"
#include "tests/e2e/test_files.h"
#include "tests/win/temp_leftovers.h"

namespace {

std::string TempFolder()
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof temp, temp);
    return temp;
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(FreshTempFolder, EachIsNewAndGoesWithItsFiles)
{
    std::string first, second;
    {
        const FreshTempFolder a;
        const FreshTempFolder b;
        ASSERT_TRUE(a.valid() && b.valid());
        first = a.folder();
        second = b.folder();
        EXPECT_NE(first, second);
        for (const FreshTempFolder* folder : {&a, &b}) {
            EXPECT_TRUE(IsFolder(folder->folder())) << folder->folder();
            EXPECT_EQ(folder->folder().rfind(TempFolder() + "pellis-", 0), 0u) << folder->folder();
            EXPECT_TRUE(WriteFileBytes(folder->PathOf("vcredist_x86.exe"), "MZ"));
            EXPECT_TRUE(WriteFileBytes(folder->PathOf("vcredist_x86.exe.part"), "M"));
        }
    }
    EXPECT_FALSE(IsFolder(first));
    EXPECT_FALSE(IsFolder(second));
}

// As a started installer holds its own file.
TEST(FreshTempFolder, WhatIsStillInUseGoesAtTheNextRestart)
{
    std::string folder, file;
    UniqueHandle inUse;
    {
        const FreshTempFolder fresh;
        ASSERT_TRUE(fresh.valid());
        folder = fresh.folder();
        file = fresh.PathOf("vcredist_x64.exe");
        ASSERT_TRUE(WriteFileBytes(file, "MZ"));
        inUse.reset(::CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(inUse.valid());
    }
    EXPECT_TRUE(IsFolder(folder));
    EXPECT_TRUE(DeletedAtRestart(file)) << file;
    EXPECT_TRUE(DeletedAtRestart(folder)) << folder;
}

}  // namespace
