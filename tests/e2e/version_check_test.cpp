// The version check of the real program against pellis-server. Each suite is
// one server set-up (see tests/CMakeLists.txt): a current release, a bank the
// proxy refuses, answers that cannot be used, the alternative servers of a
// bank that has them, and a prefix whose random source is out of order.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/edition.h"
#include "engine/config.h"
#include "res/resource.h"
#include "system/handles.h"
#include "system/log_line.h"
#include "tests/support/installed_record.h"
#include "tests/support/program_runner.h"
#include "tests/support/server_log.h"
#include "tests/support/test_files.h"

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

// The platform's random source out of order: the default provider of its
// type is no longer registered, so the generator that makes session keys
// cannot be seeded. No query may leave unsealed or sealed with a guessable key.
class BrokenRandomSource : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetupEdition();
        ASSERT_TRUE(ReadProviderType(&name_, &typeName_));
        ASSERT_EQ(::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProviderType), ERROR_SUCCESS);
        char temp[MAX_PATH + 1] = {};
        ::GetTempPathA(sizeof temp, temp);
        log_ = SupportLogPath(temp, "pellis_811.exe");
        ::DeleteFileA(log_.c_str());
    }
    void TearDown() override
    {
        if (program_.process.valid() && WaitForExit(program_, 0) == STILL_ACTIVE)
            ::TerminateProcess(program_.process.get(), 1);
        RemoveInstalledRecord();
        HKEY created = nullptr;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProviderType, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                              nullptr) == ERROR_SUCCESS) {
            RegKey key(created);
            SetText(key.get(), "Name", name_);
            SetText(key.get(), "TypeName", typeName_);
        }
    }

    std::string Log() const
    {
        std::string text;
        ReadFileBytes(log_, &text);  // empty while the program has written nothing
        return text;
    }

    RunningProgram program_;

private:
    static constexpr char kProviderType[] = "Software\\Microsoft\\Cryptography\\Defaults\\Provider Types\\Type 001";

    static bool ReadProviderType(std::string* name, std::string* typeName)
    {
        HKEY opened = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProviderType, 0, KEY_READ, &opened) != ERROR_SUCCESS)
            return false;
        RegKey key(opened);
        return GetText(key.get(), "Name", name) && GetText(key.get(), "TypeName", typeName);
    }
    static bool GetText(HKEY key, const char* value, std::string* text)
    {
        char buffer[256] = {};
        DWORD size = sizeof buffer - 1;
        if (::RegQueryValueExA(key, value, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
            return false;
        *text = buffer;
        return true;
    }
    static void SetText(HKEY key, const char* value, const std::string& text)
    {
        ::RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
    }

    std::string name_;
    std::string typeName_;
    std::string log_;
};

TEST_F(BrokenRandomSource, UpdateCheckSendsNothingAndEndsSilently)
{
    WriteInstalledRecord(kServedVersion, kInstallFolder);
    program_ = StartProgram(Program(), "");
    ASSERT_TRUE(program_.process.valid());
    bool sawWindow = false;
    EXPECT_EQ(WaitForExitWithoutWindows(program_, kRunLimitMs, &sawWindow), 0u);
    EXPECT_FALSE(sawWindow) << "the program showed a window";
    EXPECT_EQ(CountProxiedRequests(ReadServerLog(), "ebank.aldmoor.example"), 0u);
    // The support desk reads why no query went out.
    EXPECT_NE(Log().find("version query not sent: it cannot be sealed"), std::string::npos) << Log();
}

TEST_F(BrokenRandomSource, QueryDialogSendsNothingAndOffersARetry)
{
    program_ = StartProgram(Program(), "");
    ASSERT_TRUE(program_.process.valid());
    HWND query = WaitForWindow(program_, editionInfo.downloaderTitle, kWindowLimitMs);
    ASSERT_NE(query, nullptr);
    EXPECT_TRUE(WaitForItemText(query, IDC_QUERY_STATUS, "服务器没响应", kWindowLimitMs));
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(query, IDC_QUERY_RETRY)));
    EXPECT_EQ(CountProxiedRequests(ReadServerLog(), "ebank.aldmoor.example"), 0u);
    EXPECT_NE(Log().find("version query not sent: it cannot be sealed"), std::string::npos) << Log();
}

}  // namespace
