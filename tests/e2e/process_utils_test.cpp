// Finding and ending processes by image name, under Wine, with an idle stand-in
// program copied under the names the program looks for.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <deque>

#include "system/process_utils.h"
#include "tests/support/program_runner.h"

namespace {

constexpr DWORD kExitLimitMs = 10000;

// Starts a copy of the idle program under `name` in its own folder.
RunningProgram StartAs(const std::string& folder, const std::string& name)
{
    const std::string dir = TestFolderPath(folder);
    ::CreateDirectoryA(dir.c_str(), nullptr);
    const std::string exe = dir + "\\" + name;
    ::CopyFileA(TestFolderPath("idle_program.exe").c_str(), exe.c_str(), FALSE);
    return StartProgram(exe, "");
}

class ProcessUtils : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (RunningProgram& p : started_) {
            if (WaitForExit(p, 0) == STILL_ACTIVE)
                ::TerminateProcess(p.process.get(), 1);
        }
    }
    RunningProgram& Start(const std::string& folder, const std::string& name)
    {
        started_.push_back(StartAs(folder, name));
        EXPECT_TRUE(started_.back().process.valid()) << name;
        return started_.back();
    }
    std::deque<RunningProgram> started_;  // references stay valid as it grows
};

TEST_F(ProcessUtils, NoBrowserNothingFoundNothingEnded)
{
    RunningProgram& other = Start("a", "notepad2.exe");
    DWORD id = 12345;
    EXPECT_FALSE(FindProcess(&id));
    EXPECT_EQ(id, 12345u);
    EXPECT_TRUE(KillProcess(0));
    EXPECT_EQ(WaitForExit(other, 500), STILL_ACTIVE);
}

TEST_F(ProcessUtils, FirstBrowserIsFoundAndOnlyItIsEnded)
{
    RunningProgram& first = Start("a", "IEXPLORE.EXE");
    RunningProgram& second = Start("b", "iexplore.exe");
    DWORD id = 0;
    ASSERT_TRUE(FindProcess(&id));
    ASSERT_TRUE(id == first.processId || id == second.processId);
    RunningProgram& found = id == first.processId ? first : second;
    RunningProgram& other = id == first.processId ? second : first;
    EXPECT_TRUE(KillProcess(id));
    EXPECT_EQ(WaitForExit(found, kExitLimitMs), kTerminatedExitCode);
    EXPECT_EQ(WaitForExit(other, 500), STILL_ACTIVE);
}

TEST_F(ProcessUtils, ZeroMeansTheFirstBrowser)
{
    RunningProgram& browser = Start("a", "iexplore.exe");
    EXPECT_TRUE(KillProcess(0));
    EXPECT_EQ(WaitForExit(browser, kExitLimitMs), kTerminatedExitCode);
}

TEST_F(ProcessUtils, ByNameIgnoresLetterCase)
{
    RunningProgram& assistant = Start("a", "webui_811.exe");
    EXPECT_TRUE(KillProcessByName("WebUI_811.exe"));
    EXPECT_EQ(WaitForExit(assistant, kExitLimitMs), kTerminatedExitCode);
    EXPECT_TRUE(KillProcessByName("nothing_by_this_name.exe"));
}

// Every copy holds the assistant's files, whichever folder it was started from;
// a program of another name stays.
TEST_F(ProcessUtils, ByNameEndsEveryCopy)
{
    RunningProgram& first = Start("a", "WebUI_811.exe");
    RunningProgram& second = Start("b", "webui_811.exe");
    RunningProgram& third = Start("c", "WEBUI_811.EXE");
    RunningProgram& other = Start("d", "LumaroPop_811.exe");
    EXPECT_TRUE(KillProcessByName("WebUI_811.exe"));
    for (RunningProgram* copy : {&first, &second, &third})
        EXPECT_EQ(WaitForExit(*copy, kExitLimitMs), kTerminatedExitCode);
    EXPECT_EQ(WaitForExit(other, 500), STILL_ACTIVE);
}

}  // namespace
