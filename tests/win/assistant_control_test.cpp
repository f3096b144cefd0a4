// Stopping and starting the assistant's programs, with the stand-ins copied
// into an install folder of the test's own (they record each start).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/edition.h"
#include "engine/assistant_control.h"
#include "engine/config.h"
#include "engine/run_mode.h"
#include "engine/update_context.h"
#include "system/process_utils.h"
#include "tests/stand_ins/assistant_stand_in.h"
#include "tests/support/assistant_records.h"
#include "tests/support/program_runner.h"
#include "tests/support/test_files.h"

namespace {

const char* const kPrograms[] = {"WebUI_811.exe", "LumaroPop_811.exe", "LumaroPop.exe"};
constexpr DWORD kStartLimitMs = 10000;
constexpr DWORD kPauseAfterStopMs = 2000;

class AssistantControl : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetupEdition();
        RemoveTree(folder_);
        MakeFolders(folder_);
        ClearRecords();
    }
    void TearDown() override
    {
        for (const char* program : kPrograms)
            TerminateAll(program);
        RemoveTree(folder_);
    }
    void Install(const char* program)
    {
        ASSERT_TRUE(::CopyFileA(TestFolderPath(program).c_str(), (folder_ + "\\" + program).c_str(), FALSE));
    }
    // Starts an installed program as the running assistant would be, and waits
    // until it is up; `copy` counts the copies of it started in the test.
    RunningProgram Run(const char* program, size_t copy = 1)
    {
        RunningProgram running = StartProgram(folder_ + "\\" + program, "");
        EXPECT_TRUE(WaitForStart(program, kStartLimitMs, copy)) << program;
        return running;
    }
    int Stop()
    {
        CUpdateContext context(nullptr, editionInfo.groupCode, kRunModeUpdate, "https://bank.example/811", kOfferUpdate,
                               "2.0.0.7", folder_);
        return StopAssistant(context);
    }
    const std::string folder_ = "C:\\pellis-test\\assistant";
};

// The running WebUI and edition programs end; the common LumaroPop.exe is not stopped.
TEST_F(AssistantControl, StopStartsEachWithTheTerminateOptionThenEndsWhatStillRuns)
{
    for (const char* program : kPrograms)
        Install(program);
    RunningProgram webUi = Run("WebUI_811.exe");
    RunningProgram editionPop = Run("LumaroPop_811.exe");
    RunningProgram commonPop = Run("LumaroPop.exe");
    ClearRecords();

    const DWORD start = ::GetTickCount();
    EXPECT_EQ(Stop(), 1);
    EXPECT_GE(::GetTickCount() - start, kPauseAfterStopMs);
    EXPECT_EQ(ReadStarts(), (std::vector<std::string>{"WebUI_811.exe -t", "LumaroPop_811.exe -t"}));
    EXPECT_EQ(WaitForExit(webUi, kStartLimitMs), kTerminatedExitCode);
    EXPECT_EQ(WaitForExit(editionPop, kStartLimitMs), kTerminatedExitCode);
    EXPECT_EQ(WaitForExit(commonPop, 0), static_cast<DWORD>(STILL_ACTIVE));
}

// A second copy of a program holds the same files as the first: every copy ends.
TEST_F(AssistantControl, StopEndsEveryRunningCopy)
{
    for (const char* program : kPrograms)
        Install(program);
    std::vector<RunningProgram> copies;
    for (const char* program : {"WebUI_811.exe", "LumaroPop_811.exe"}) {
        copies.push_back(Run(program, 1));
        copies.push_back(Run(program, 2));
    }
    EXPECT_EQ(Stop(), 1);
    for (const RunningProgram& running : copies)
        EXPECT_EQ(WaitForExit(running, kStartLimitMs), kTerminatedExitCode);
}

TEST_F(AssistantControl, StopCreatesAMissingStagingFolder)
{
    EXPECT_EQ(Stop(), 1);
    EXPECT_TRUE(::GetFileAttributesA((folder_ + "\\DownLoad").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(ReadStarts().empty());
}

// A file in the staging folder's place: nothing is stopped.
TEST_F(AssistantControl, StopFailsWhenTheStagingFolderCannotBeMade)
{
    Install("WebUI_811.exe");
    ASSERT_TRUE(WriteFileBytes(folder_ + "\\DownLoad", "not a folder"));
    EXPECT_EQ(Stop(), 0);
    EXPECT_TRUE(ReadStarts().empty());
}

// Each present program twice, "-t" first, in the order of creation; the edition's
// LumaroPop is not started.
TEST_F(AssistantControl, StartRunsEachProgramTwice)
{
    for (const char* program : kPrograms)
        Install(program);
    installInfo.installPath = folder_;
    StartAssistant();
    EXPECT_EQ(WaitForStarts(4, kStartLimitMs), (std::vector<std::string>{"LumaroPop.exe -t", "LumaroPop.exe",
                                                                          "WebUI_811.exe -t", "WebUI_811.exe"}));
}

TEST_F(AssistantControl, NothingInstalledNothingStarted)
{
    installInfo.installPath = folder_;
    StartAssistant();
    EXPECT_EQ(Stop(), 1);
    EXPECT_TRUE(ReadStarts().empty());
}

}  // namespace
