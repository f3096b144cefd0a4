// The old generation of the assistant in a first installation of the real
// program under Wine: a Windows Installer package with the edition's old
// product code (tests/fixtures/old_generation, built with wixl) is installed by
// msiexec before the run and is gone after it. The server serves release
// 1.0.0.1 of the stand-ins (see tests/CMakeLists.txt).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/edition.h"
#include "engine/config.h"
#include "engine/registry_paths.h"
#include "res/resource.h"
#include "system/handles.h"
#include "tests/e2e/assistant_records.h"
#include "tests/e2e/program_runner.h"
#include "tests/e2e/test_files.h"

namespace {

const char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// Where the package puts its one file (a 32-bit package on a 64-bit system).
const char kOldFile[] = "C:\\Program Files (x86)\\Aldmoor Old Assistant\\old-assistant.txt";
constexpr DWORD kInstallerLimitMs = 120000;
constexpr DWORD kRunLimitMs = 180000;
constexpr DWORD kWindowLimitMs = 60000;

bool OldGenerationRegistered()
{
    HKEY opened = nullptr;
    const std::string key = kUninstallRoot + editionInfo.oldProductCode;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &opened) != ERROR_SUCCESS)
        return false;
    RegKey closer(opened);
    return true;
}

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string InstalledVersion()
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKeyPath().c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &opened) !=
        ERROR_SUCCESS)
        return "(none)";
    RegKey key(opened);
    char buffer[64] = {};
    DWORD size = sizeof buffer - 1;
    ::RegQueryValueExA(key.get(), "Version", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    return buffer;
}

// The wizard's dialogs share the downloader's title and differ in their controls.
struct PageSearch {
    DWORD processId;
    int wanted;
    HWND found;
};

bool Has(HWND window, int id)
{
    return ::GetDlgItem(window, id) != nullptr;
}

BOOL CALLBACK MatchPage(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<PageSearch*>(parameter);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    char title[256] = {};
    ::GetWindowTextA(window, title, sizeof title);
    const bool page = search->wanted == IDD_OPTIONS
                          ? Has(window, IDC_INSTALL_FOLDER)
                          : Has(window, IDOK) && !Has(window, IDC_INSTALL_FOLDER) && !Has(window, IDC_STATUS_TEXT) &&
                                !Has(window, IDC_QUERY_STATUS) && !Has(window, kMessageBoxTextId);
    if (processId == search->processId && ::IsWindowVisible(window) && editionInfo.downloaderTitle == title && page) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForPage(const RunningProgram& program, int page)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        PageSearch search{program.processId, page, nullptr};
        ::EnumWindows(MatchPage, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr || ::GetTickCount() - start >= kWindowLimitMs)
            return search.found;
        ::Sleep(50);
    }
}

class OldGeneration : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetupEdition();
        ClearRecords();
    }
    void TearDown() override
    {
        if (program_.process.valid() && WaitForExit(program_, 0) == STILL_ACTIVE)
            ::TerminateProcess(program_.process.get(), 1);
        for (const std::string& name : {installInfo.webUiFileName, std::string("LumaroPop_811.exe"),
                                        std::string("LumaroPop.exe")})
            TerminateAll(name);
    }

    RunningProgram program_;
};

TEST_F(OldGeneration, IsRemovedByAFirstInstallation)
{
    ASSERT_FALSE(editionInfo.oldProductCode.empty());
    const char* package = std::getenv("PELLIS_OLD_GENERATION_MSI");
    ASSERT_NE(package, nullptr);
    const RunningProgram installer =
        StartProgram("C:\\windows\\system32\\msiexec.exe", "/i \"" + WindowsPathOf(package) + "\" /quiet");
    ASSERT_EQ(WaitForExit(installer, kInstallerLimitMs), 0u) << "msiexec could not install the old generation";
    ASSERT_TRUE(OldGenerationRegistered());
    ASSERT_TRUE(Exists(kOldFile));

    // The old generation's helper script, planted as a second name of a file
    // elsewhere: emptying it would empty that file.
    const std::string elsewhere = "C:\\elsewhere.vbs";
    ASSERT_TRUE(WriteFileBytes(elsewhere, "a script elsewhere"));
    ::DeleteFileA(TestFolderPath("killprocess.vbs").c_str());
    ASSERT_TRUE(::CreateHardLinkA(TestFolderPath("killprocess.vbs").c_str(), elsewhere.c_str(), nullptr));

    program_ = StartProgram(TestFolderPath("pellis_811.exe"), "");
    HWND install = WaitForPage(program_, IDD_INSTALL);
    ASSERT_NE(install, nullptr) << "no install dialog";
    Click(install, IDOK);
    HWND options = WaitForPage(program_, IDD_OPTIONS);
    ASSERT_NE(options, nullptr) << "no options dialog";
    Click(options, IDOK);
    EXPECT_EQ(WaitForExit(program_, kRunLimitMs), 0u);

    EXPECT_FALSE(OldGenerationRegistered());
    EXPECT_FALSE(Exists(kOldFile));
    EXPECT_EQ(InstalledVersion(), "1.0.0.1") << "the installation went on after the removal";
    std::string script;
    EXPECT_TRUE(ReadFileBytes(elsewhere, &script));
    EXPECT_EQ(script, "a script elsewhere");
}

}  // namespace
