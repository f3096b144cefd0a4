// How the old generation's removal starts Windows Installer. Under Wine the
// shell runs its own installer for the bare name wherever a file of that name
// lies, so only the command itself can show that no search is involved.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "engine/old_generation.h"

namespace {

std::string SystemFolder()
{
    char folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(folder, sizeof folder);
    return std::string(folder, length);
}

TEST(OldGenerationRemoval, StartsTheSystemFoldersInstallerByFullPathWorkingThere)
{
    const InstallerLaunch launch = OldGenerationRemoval("{1F0E2A63-6A3B-4C59-9B2E-7D84C3A1B5E0}");
    ASSERT_FALSE(SystemFolder().empty());
    EXPECT_EQ(launch.program, SystemFolder() + "\\msiexec.exe");
    EXPECT_NE(::GetFileAttributesA(launch.program.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(launch.folder, SystemFolder());
    EXPECT_EQ(launch.parameters, "/X{1F0E2A63-6A3B-4C59-9B2E-7D84C3A1B5E0} /quiet");
}

}  // namespace
