// What the real program decides at start-up once the server has answered, one
// run per row: the command tail, the version installed, the update mode the
// server answers, whether a browser runs and how its question is answered.
// Each server set-up answers version 1.0.0.3 with one update mode (see
// tests/CMakeLists.txt) and never answers for the common manifest, so a run
// that starts stays in its first download; a row ends once it has seen where
// the start led.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/edition.h"
#include "engine/config.h"
#include "system/log_line.h"
#include "system/process_utils.h"
#include "tests/e2e/update_road.h"
#include "tests/support/installed_record.h"
#include "tests/support/program_runner.h"
#include "tests/support/wait_until.h"

namespace {

const char kBrowser[] = "iexplore.exe";
const char kBrowserQuestion[] = "安装过程中需关闭IE浏览器，是否继续？";
const char kServedVersion[] = "1.0.0.3";
constexpr DWORD kNoAnswer = 0;

// Where the start leads once the question, if any, is answered.
enum class Leads { Nowhere, UpdatePrompt, RepairRun, UpdateRun };

struct StartRow {
    const char* name;
    const char* tail;
    const char* installed;
    int updateMode;  // what the row's server set-up answers
    bool browserRunning;
    DWORD answer;  // to the browser question; kNoAnswer: no question may come
    Leads leads;
    bool browserEnds;
};

std::string SupportLog()
{
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(sizeof temp, temp);
    return SupportLogPath(temp, "pellis_811.exe");
}

bool LogHas(const std::string& text)
{
    return ReadOr(SupportLog(), "").find(text) != std::string::npos;
}

bool WaitForLog(const std::string& text, DWORD ms)
{
    return WaitUntil([&] { return LogHas(text); }, ms, 100);
}

bool IsBrowserQuestion(HWND window)
{
    return MessageBoxText(window) == kBrowserQuestion;
}

bool AnyWindow(HWND)
{
    return true;
}

class StartDecision : public ::testing::TestWithParam<StartRow> {
protected:
    void SetUp() override
    {
        SetupEdition();
        WriteInstalledRecord(GetParam().installed, kInstallFolder);
        ::DeleteFileA(SupportLog().c_str());
        if (GetParam().browserRunning) {
            const std::string browser = TestFolderPath(kBrowser);
            ASSERT_TRUE(::CopyFileA(TestFolderPath("idle_program.exe").c_str(), browser.c_str(), FALSE));
            browser_ = StartProgram(browser, "");
            ASSERT_TRUE(browser_.process.valid());
        }
        program_ = StartProgram(TestFolderPath("pellis_811.exe"), GetParam().tail);
        ASSERT_TRUE(program_.process.valid());
    }
    void TearDown() override
    {
        for (RunningProgram* program : {&program_, &browser_}) {
            if (program->process.valid() && WaitForExit(*program, 0) == STILL_ACTIVE) {
                ::TerminateProcess(program->process.get(), 1);
                WaitForExit(*program, kWindowLimitMs);
            }
        }
        RemoveInstalledRecord();
    }

    RunningProgram program_;
    RunningProgram browser_;
};

TEST_P(StartDecision, LeadsWhereTheRowSays)
{
    const StartRow& row = GetParam();
    if (row.answer != kNoAnswer) {
        HWND question = WaitForAccepted(program_, AnyWindow, kWindowLimitMs);
        ASSERT_NE(question, nullptr) << "nothing shown";
        ASSERT_TRUE(IsBrowserQuestion(question)) << "the first window is not the browser question";
        char caption[256] = {};
        ::GetWindowTextA(question, caption, sizeof caption);
        EXPECT_EQ(std::string(caption), editionInfo.productName);
        Click(question, row.answer);
    }

    switch (row.leads) {
    case Leads::Nowhere: {
        bool sawWindow = false;
        EXPECT_EQ(WaitForExitWithoutWindows(program_, kWindowLimitMs, &sawWindow), 0u);
        if (row.answer == kNoAnswer) {
            EXPECT_FALSE(sawWindow) << "a window was shown";
        }
        // The server's log also holds the requests of earlier rows: this
        // program's own log tells whether it started a run.
        EXPECT_FALSE(LogHas("run mode:")) << "no run may start";
        break;
    }
    case Leads::UpdatePrompt:
    case Leads::RepairRun:
    case Leads::UpdateRun: {
        // With no question to answer, the first window shown is where the start led.
        HWND shown = row.answer != kNoAnswer
                         ? WaitForAccepted(program_, row.leads == Leads::UpdatePrompt ? IsUpdatePrompt : IsProgressDialog,
                                           kWindowLimitMs)
                         : WaitForAccepted(program_, AnyWindow, kWindowLimitMs);
        ASSERT_NE(shown, nullptr) << "nothing shown";
        EXPECT_FALSE(IsBrowserQuestion(shown)) << "the browser question came";
        if (row.leads == Leads::UpdatePrompt) {
            EXPECT_TRUE(IsUpdatePrompt(shown));
            break;
        }
        EXPECT_TRUE(IsProgressDialog(shown));
        EXPECT_TRUE(WaitForLog(row.leads == Leads::RepairRun ? "run mode: repair" : "run mode: update", kWindowLimitMs));
        break;
    }
    }

    EXPECT_TRUE(LogHas("version answer: v " + std::string(kServedVersion) + ", update mode \"" +
                       std::to_string(row.updateMode) + "\""))
        << "the row belongs to another server set-up";
    if (row.browserRunning) {
        EXPECT_EQ(WaitForExit(browser_, row.browserEnds ? kWindowLimitMs : 1000),
                  row.browserEnds ? kTerminatedExitCode : STILL_ACTIVE);
    }
}

// Names start with the update mode their server set-up answers.
const StartRow kRows[] = {
    // name                    tail         installed  mode browser answer  leads                  ends
    {"mode0_older_installed", "", "1.0.0.1", 0, false, kNoAnswer, Leads::Nowhere, false},
    {"mode1_losefile_yes", "-losefile", "1.0.0.3", 1, true, IDYES, Leads::RepairRun, true},
    {"mode1_losefile_no", "-losefile", "1.0.0.3", 1, true, IDNO, Leads::Nowhere, false},
    {"mode1_update_option", "-update", "1.0.0.1", 1, false, kNoAnswer, Leads::UpdatePrompt, false},
    {"mode2_forced_ends_browser", "", "1.0.0.1", 2, true, kNoAnswer, Leads::UpdateRun, true},
    {"mode2_update_option", "-update", "1.0.0.1", 2, false, kNoAnswer, Leads::UpdateRun, false},
};

INSTANTIATE_TEST_SUITE_P(Rows, StartDecision, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<StartRow>& info) { return info.param.name; });

}  // namespace
