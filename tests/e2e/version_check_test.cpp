// The version check of the real program against pellis-server. Each suite is
// one server set-up (see tests/CMakeLists.txt): a current release, a bank the
// proxy refuses, answers that cannot be used, and the alternative servers of a
// bank that has them.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/edition.h"
#include "engine/config.h"
#include "tests/e2e/installed_record.h"
#include "tests/e2e/program_runner.h"
#include "tests/e2e/server_log.h"

namespace {

constexpr DWORD kRunLimitMs = 60000;
constexpr DWORD kWindowLimitMs = 30000;
const char kServedVersion[] = "1.0.0.3";
const char kInstallFolder[] = "C:\\Program Files (x86)\\Aldmoor\\Pellisor";

std::string Program(const char* name = "pellis_811.exe")
{
    return TestFolderPath(name);
}

// Runs the program and expects it to end with 0 without showing anything.
void ExpectSilentRun(const std::string& exe, const std::string& tail)
{
    RunningProgram program = StartProgram(exe, tail);
    ASSERT_TRUE(program.process.valid());
    bool sawWindow = false;
    EXPECT_EQ(WaitForExitWithoutWindows(program, kRunLimitMs, &sawWindow), 0u);
    EXPECT_FALSE(sawWindow) << "the program showed a window";
}

// Runs the program, expects the "latest version" message, answers it.
void ExpectUpToDateMessage(const std::string& exe, const std::string& productName)
{
    RunningProgram program = StartProgram(exe, "");
    ASSERT_TRUE(program.process.valid());
    HWND box = WaitForMessageBox(program, productName, kWindowLimitMs);
    ASSERT_NE(box, nullptr) << "no message box captioned " << productName;
    EXPECT_EQ(MessageBoxText(box), "您当前已安装了最新的" + productName + "版本。");
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(WaitForExit(program, kRunLimitMs), 0u);
}

class LatestRelease : public ::testing::Test {
protected:
    void SetUp() override { SetupEdition(); }
    void TearDown() override { RemoveInstalledRecord(); }
};

TEST_F(LatestRelease, InstalledLatestVersionIsReported)
{
    WriteInstalledRecord(kServedVersion, kInstallFolder);
    ExpectUpToDateMessage(Program(), editionInfo.productName);
    EXPECT_EQ(editionInfo.productName, "Aldmoor银行Pellisor");
}

TEST_F(LatestRelease, NewerInstalledVersionIsReportedAsLatestToo)
{
    WriteInstalledRecord("10.0.0.0", kInstallFolder);
    ExpectUpToDateMessage(Program(), editionInfo.productName);
}

TEST_F(LatestRelease, UpdateOptionKeepsQuiet)
{
    WriteInstalledRecord(kServedVersion, kInstallFolder);
    ExpectSilentRun(Program(), "-update");
}

// "Version" without "Path" is no installation: the first-installation road
// starts with the version-query dialog instead of the "latest version" message.
TEST_F(LatestRelease, RecordWithoutPathStartsTheFirstInstallation)
{
    WriteInstalledRecord(kServedVersion, "");
    RunningProgram program = StartProgram(Program(), "");
    ASSERT_NE(WaitForWindow(program, editionInfo.downloaderTitle, kWindowLimitMs), nullptr);
    EXPECT_EQ(WaitForMessageBox(program, editionInfo.productName, 0), nullptr);
    ::TerminateProcess(program.process.get(), 1);
}

TEST(RefusedBank, FourQueriesThenASilentEnd)
{
    SetupEdition();
    WriteInstalledRecord(kServedVersion, kInstallFolder);
    ExpectSilentRun(Program(), "");
    EXPECT_EQ(CountProxiedRequests(ReadServerLog(), "ebank.aldmoor.example"), 4u);
}

// Answers that are not a usable envelope, or not JSON inside one, end the
// start without a word.
TEST(UnusableAnswer, NothingIsShown)
{
    SetupEdition();
    WriteInstalledRecord(kServedVersion, kInstallFolder);
    ExpectSilentRun(Program(), "");
    EXPECT_EQ(CountProxiedRequests(ReadServerLog(), "ebank.aldmoor.example"), 1u) << "an answer came: no retry";
}

// A newline after the envelope text is dropped before opening.
TEST(AnswerWithNewline, Opens)
{
    SetupEdition();
    WriteInstalledRecord(kServedVersion, kInstallFolder);
    ExpectUpToDateMessage(Program(), editionInfo.productName);
}

// A bank with alternative servers: the first two refused, the third answers,
// the fourth is never asked.
TEST(AlternativeServers, ThirdAnswersFourthUntouched)
{
    SetupEditionFor(0x815);
    WriteInstalledRecord(kServedVersion, kInstallFolder, 0x815);
    ExpectUpToDateMessage(Program("pellis_815.exe"), editionInfo.productName);
    const auto log = ReadServerLog();
    EXPECT_EQ(CountProxiedRequests(log, "ebank.stonebeck.example"), 1u);
    EXPECT_EQ(CountProxiedRequests(log, "192.0.2.25"), 1u);
    EXPECT_EQ(CountProxiedRequests(log, "198.51.100.25"), 1u);
    EXPECT_EQ(CountProxiedRequests(log, "203.0.113.25"), 0u);
}

}  // namespace
