// InstallRuntime under Wine against pellis-server, which serves the vendor's
// two package paths (tests/CMakeLists.txt): one package with a signature Windows
// trusts by the publisher deploy/demo names, the other unsigned, tampered or
// validly signed by another publisher. A plain window stands in for the
// progress dialog.
#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <string>

#include "engine/config.h"
#include "engine/run_mode.h"
#include "engine/runtime.h"
#include "engine/update_context.h"
#include "res/resource.h"
#include "tests/support/assistant_records.h"
#include "tests/win/dialog_host.h"
#include "tests/win/temp_leftovers.h"

namespace {

constexpr DWORD kStartLimitMs = 30000;
constexpr int kTotalSteps = 4;

struct ServedCase {
    const char* name;  // the ctest entry's server set-up picks the case by this name
    const char* started;
    const char* refused;
    const char* statusText;
};

std::ostream& operator<<(std::ostream& out, const ServedCase& c)
{
    return out << c.name;
}

class RuntimeInstall : public ::testing::TestWithParam<ServedCase> {
protected:
    void SetUp() override { ClearRecords(); }
    void TearDown() override
    {
        TerminateAll(GetParam().started);
        TerminateAll(GetParam().refused);
    }
};

TEST_P(RuntimeInstall, OnlyTheTrustedPackageStartsAndTheOtherFailsLikeADownload)
{
    const ServedCase& c = GetParam();
    DialogHost host;
    CUpdateContext context(host.hwnd(), editionInfo.groupCode, kRunModeUpdate, "http://bank.example/811", kOfferUpdate,
                           "1.0.0.3", "C:\\runtime-install");
    context.totalSteps = kTotalSteps;
    EXPECT_EQ(InstallRuntime(context, 1, 1), 1);

    EXPECT_EQ(host.Text(IDC_STATUS_TEXT), c.statusText);
    EXPECT_EQ(host.Text(IDCANCEL), "下载VS库失败");
    EXPECT_EQ(context.currentStep, 2) << "one step counted";
    EXPECT_EQ(host.Text(IDC_OVERALL_PERCENT), "25.00%");
    EXPECT_TRUE(WaitForStart(std::string(c.started) + " /q", kStartLimitMs));
    for (const std::string& start : ReadStarts())
        EXPECT_NE(start.rfind(c.refused, 0), 0u) << start;
    for (const std::string& folder : FreshFoldersInTemp())
        EXPECT_TRUE(DeletedAtRestart(folder)) << folder << " left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Served, RuntimeInstall,
    ::testing::Values(ServedCase{"tampered_x86", "vcredist_x64.exe", "vcredist_x86.exe", "正在安装 vcredist_x64.exe"},
                      ServedCase{"unsigned_x64", "vcredist_x86.exe", "vcredist_x64.exe", "下载vcredist_x64.exe 失败"},
                      ServedCase{"other_publisher_x86", "vcredist_x64.exe", "vcredist_x86.exe",
                                 "正在安装 vcredist_x64.exe"}),
    [](const ::testing::TestParamInfo<ServedCase>& info) { return info.param.name; });

}  // namespace
