// The folders runtime packages are downloaded into, under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <ostream>
#include <string>

#include "system/fresh_temp_folder.h"
#include "system/handles.h"
#include "tests/support/test_files.h"
#include "tests/win/temp_leftovers.h"

namespace {

std::string UserTempFolder()
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

// Below the Windows folder's "Temp", where users cannot rename what the
// program made, not below the signed-in user's own temporary folder.
TEST(FreshTempFolder, EachIsNewAndGoesWithItsFiles)
{
    ASSERT_NE(SystemTempFolder(), UserTempFolder()) << "the test would not tell the two apart";
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
            EXPECT_EQ(folder->folder().rfind(SystemTempFolder() + "pellis-", 0), 0u) << folder->folder();
            EXPECT_TRUE(WriteFileBytes(folder->PathOf("vcredist_x86.exe"), "MZ"));
            // As a download ends: the partial file moved to its name.
            EXPECT_TRUE(WriteFileBytes(folder->PathOf("vcredist_x64.exe.part"), "M"));
            EXPECT_TRUE(::MoveFileExA(folder->PathOf("vcredist_x64.exe.part").c_str(),
                                      folder->PathOf("vcredist_x64.exe").c_str(), MOVEFILE_REPLACE_EXISTING));
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

// Ways to take the folder's name away from it (and put another folder, with
// other files, in its place); each must fail while the folder lives.
struct TakeCase {
    const char* name;
    std::function<bool(const std::string& folder)> attempt;
};

std::ostream& operator<<(std::ostream& out, const TakeCase& c)
{
    return out << c.name;
}

const TakeCase kTakes[] = {
    {"rename",
     [](const std::string& folder) { return ::MoveFileA(folder.c_str(), (folder + ".moved").c_str()) != FALSE; }},
    {"delete", [](const std::string& folder) { return ::RemoveDirectoryA(folder.c_str()) != FALSE; }},
};

class HeldFreshTempFolder : public ::testing::TestWithParam<TakeCase> {};

TEST_P(HeldFreshTempFolder, CannotBeTakenAwayWhileItLives)
{
    const FreshTempFolder fresh;
    ASSERT_TRUE(fresh.valid());
    EXPECT_FALSE(GetParam().attempt(fresh.folder()));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(IsFolder(fresh.folder()));

    // The control: an empty folder beside it that nobody holds.
    const std::string control = SystemTempFolder() + "control-" + GetParam().name;
    ASSERT_TRUE(::CreateDirectoryA(control.c_str(), nullptr));
    EXPECT_TRUE(GetParam().attempt(control)) << "the attempt itself works on a folder nobody holds";
    ::RemoveDirectoryA(control.c_str());
    ::RemoveDirectoryA((control + ".moved").c_str());
}

INSTANTIATE_TEST_SUITE_P(Takes, HeldFreshTempFolder, ::testing::ValuesIn(kTakes),
                         [](const ::testing::TestParamInfo<TakeCase>& info) { return info.param.name; });

}  // namespace
