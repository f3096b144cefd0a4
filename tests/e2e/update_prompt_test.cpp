// The road of an offered update, through the real program's windows: the
// prompt, and the progress dialog its OK opens. The server offers version
// 1.0.0.3 over plain HTTP and never answers for the common manifest, so a
// started run stays busy in its first download (see tests/CMakeLists.txt).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/edition.h"
#include "engine/config.h"
#include "res/resource.h"
#include "system/log_line.h"
#include "tests/support/installed_record.h"
#include "tests/support/program_runner.h"
#include "tests/support/server_log.h"
#include "tests/support/test_files.h"
#include "tests/support/wait_until.h"
#include "tests/support/window_search.h"

namespace {

constexpr DWORD kWindowLimitMs = 30000;
constexpr DWORD kAtOnceMs = 5000;
const char kInstallFolder[] = "C:\\Program Files (x86)\\Aldmoor\\Pellisor";
const char kCommonManifestPath[] = "/download/811/Digest.xml";

class OfferedUpdate : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetupEdition();
        WriteInstalledRecord("1.0.0.1", kInstallFolder);
        program = StartProgram(TestFolderPath("pellis_811.exe"), "");
        ASSERT_TRUE(program.process.valid());
    }
    void TearDown() override
    {
        if (WaitForExit(program, 0) == STILL_ACTIVE)
            ::TerminateProcess(program.process.get(), 1);
        RemoveInstalledRecord();
    }

    // The visible dialog of the program that holds control `id`.
    HWND WaitForDialogWith(int id)
    {
        HWND found = nullptr;
        WaitUntil(
            [&] {
                HWND window = WaitForWindow(program, editionInfo.downloaderTitle, kWindowLimitMs);
                if (window != nullptr && ::GetDlgItem(window, id) != nullptr && ::IsWindowVisible(window))
                    found = window;
                return found != nullptr;
            },
            kWindowLimitMs, 100);
        return found;
    }

    RunningProgram program;
};

std::string SupportLog()
{
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(sizeof temp, temp);
    return SupportLogPath(temp, "pellis_811.exe");
}

bool ServerSaw(const std::string& path)
{
    for (const LoggedRequest& request : ReadServerLog())
        if (request.path.find(path) != std::string::npos)
            return true;
    return false;
}

bool WaitForServerToSee(const std::string& path, DWORD ms)
{
    return WaitUntil([&] { return ServerSaw(path); }, ms, 200);
}

void ExpectCentred(int left, int top, int width, int height)
{
    EXPECT_LE(std::abs(left - (::GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2)), 1);
    EXPECT_LE(std::abs(top - (::GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2)), 1);
}

TEST_F(OfferedUpdate, PromptOpensCentredAndCancelEndsTheProgramAtOnce)
{
    HWND prompt = WaitForDialogWith(IDOK);
    ASSERT_NE(prompt, nullptr) << "no update prompt";
    RECT window;
    ::GetWindowRect(prompt, &window);
    ExpectCentred(window.left, window.top, window.right - window.left, window.bottom - window.top);
    EXPECT_NE(::GetWindowLongA(prompt, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    Click(prompt, IDCANCEL);
    EXPECT_EQ(WaitForExit(program, kAtOnceMs), 0u);
    EXPECT_FALSE(ServerSaw(kCommonManifestPath)) << "a declined update fetched something";
}

TEST_F(OfferedUpdate, ProgressCancelAsksWhileTheRunIsBusy)
{
    HWND prompt = WaitForDialogWith(IDOK);
    ASSERT_NE(prompt, nullptr) << "no update prompt";
    Click(prompt, IDOK);
    HWND progress = WaitForDialogWith(IDC_OVERALL_BAR);
    ASSERT_NE(progress, nullptr) << "no progress dialog";
    EXPECT_FALSE(::IsWindowVisible(prompt));

    // An update run is centred by its client area.
    RECT window, client;
    ::GetWindowRect(progress, &window);
    ::GetClientRect(progress, &client);
    ExpectCentred(window.left, window.top, client.right, client.bottom);

    ASSERT_TRUE(WaitForServerToSee(kCommonManifestPath, kWindowLimitMs)) << "the run never started downloading";

    Click(progress, IDCANCEL);
    HWND question = WaitForOwnedWindow(progress, kWindowLimitMs);
    ASSERT_NE(question, nullptr) << "Cancel did not ask";
    EXPECT_EQ(MessageBoxText(question), "下载还未完成，确定取消？");
    char caption[256] = {};
    ::GetWindowTextA(question, caption, sizeof caption);
    EXPECT_EQ(std::string(caption), editionInfo.downloaderTitle);

    ::PostMessageA(question, WM_COMMAND, IDNO, 0);
    EXPECT_EQ(WaitForExit(program, 1000), STILL_ACTIVE);
    EXPECT_TRUE(::IsWindowVisible(progress));

    Click(progress, IDCANCEL);
    question = WaitForOwnedWindow(progress, kWindowLimitMs);
    ASSERT_NE(question, nullptr) << "the second Cancel did not ask";
    ::PostMessageA(question, WM_COMMAND, IDYES, 0);
    EXPECT_EQ(WaitForExit(program, kAtOnceMs), 0u);
    // Ended where the user confirmed, not by unwinding under the run's threads.
    std::string log;
    EXPECT_TRUE(ReadFileBytes(SupportLog(), &log));
    EXPECT_NE(log.find("exit: the user cancelled the run"), std::string::npos) << log;
}

}  // namespace
