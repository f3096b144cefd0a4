// The old generation of the assistant in a first installation of the real
// program under Wine: a Windows Installer package with the edition's old
// product code (tests/fixtures/old_generation, built with wixl) is installed by
// msiexec before the run and is gone after it. The server serves release
// 1.0.0.1 of the stand-ins (see tests/CMakeLists.txt).
//
// To look at the files while the removal runs, the system's msiexec is swapped
// for a stand-in that records its start and runs until the test ends it. The
// step on its own, for an edition without an old product code, runs in this
// test program, which run-in-prefix.sh starts from C:\pellis-test.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/edition.h"
#include "engine/config.h"
#include "engine/old_generation.h"
#include "engine/registry_paths.h"
#include "res/resource.h"
#include "system/handles.h"
#include "tests/support/assistant_records.h"
#include "tests/support/program_runner.h"
#include "tests/support/test_files.h"
#include "tests/support/wait_until.h"
#include "tests/win/dialog_host.h"

namespace {

const char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// Where the package puts its one file (a 32-bit package on a 64-bit system).
const char kOldFile[] = "C:\\Program Files (x86)\\Aldmoor Old Assistant\\old-assistant.txt";
constexpr DWORD kInstallerLimitMs = 120000;
constexpr DWORD kRunLimitMs = 180000;
constexpr DWORD kWindowLimitMs = 60000;
constexpr DWORD kRemovalLimitMs = 30000;
const char kRemovalText[] = "卸载Ostrel老版助手";

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
bool Has(HWND window, int id)
{
    return ::GetDlgItem(window, id) != nullptr;
}

bool IsPage(HWND window, int wanted)
{
    switch (wanted) {
    case IDD_OPTIONS:
        return Has(window, IDC_INSTALL_FOLDER);
    case IDD_PROGRESS:
        return Has(window, IDC_STATUS_TEXT);
    default:
        return Has(window, IDOK) && !Has(window, IDC_INSTALL_FOLDER) && !Has(window, IDC_STATUS_TEXT) &&
               !Has(window, IDC_QUERY_STATUS) && !Has(window, kMessageBoxTextId);
    }
}

HWND WaitForPage(const RunningProgram& program, int page)
{
    return WaitForAccepted(
        program,
        [&](HWND window) {
            char title[256] = {};
            ::GetWindowTextA(window, title, sizeof title);
            return editionInfo.downloaderTitle == title && IsPage(window, page);
        },
        kWindowLimitMs);
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

    // Started in its own folder, as from a browser's download folder, where the
    // step looks for the script.
    program_ = StartProgram(TestFolderPath("pellis_811.exe"), "", TestFolderPath(""));
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

// --- the removal held by the stand-in

// A browser's download folder holding the downloader as "setup.exe", and some
// other folder.
const char kDownloads[] = "C:\\pellis-test\\downloads";
const char kElsewhere[] = "C:\\pellis-test\\elsewhere";
const char kTemporaryName[] = "Tiroupdate.exe";
const char kScript[] = "killprocess.vbs";
const char kScriptText[] = "WScript.Quit";

std::string In(const std::string& folder, const std::string& name)
{
    return folder + "\\" + name;
}

std::string ReadOr(const std::string& path, const char* missing)
{
    std::string bytes;
    return ReadFileBytes(path, &bytes) ? bytes : missing;
}

// Where the program finds the platform's installer program (this test is 32-bit too).
std::string SystemMsiexec()
{
    char folder[MAX_PATH] = {};
    ::GetSystemDirectoryA(folder, sizeof folder);
    return In(folder, "msiexec.exe");
}

std::string RemovalStart()
{
    return "msiexec.exe /X" + editionInfo.oldProductCode + " /quiet";
}

class HeldRemoval : public OldGeneration {
protected:
    void SetUp() override
    {
        OldGeneration::SetUp();
        // A first installation each time, whatever ran before in this prefix.
        ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, ProductKeyPath().c_str(), KEY_WOW64_32KEY, 0);
        ASSERT_TRUE(::CopyFileA(SystemMsiexec().c_str(), TestFolderPath("msiexec-system.exe").c_str(), FALSE));
        ASSERT_TRUE(::CopyFileA(TestFolderPath("msiexec_stand_in.exe").c_str(), SystemMsiexec().c_str(), FALSE));
        for (const char* folder : {kDownloads, kElsewhere}) {
            RemoveTree(folder);
            MakeFolders(folder);
        }
        program_bytes_ = ReadOr(TestFolderPath("pellis_811.exe"), "(missing)");
        ASSERT_TRUE(WriteFileBytes(In(kDownloads, "setup.exe"), program_bytes_));
    }
    void TearDown() override
    {
        TerminateAll("msiexec.exe");
        OldGeneration::TearDown();
        ::CopyFileA(TestFolderPath("msiexec-system.exe").c_str(), SystemMsiexec().c_str(), FALSE);
    }

    // Starts the downloader in `workingFolder` and takes the wizard to the
    // removal, which the stand-in holds; the progress dialog, or null.
    HWND StartAndHoldRemoval(const std::string& workingFolder)
    {
        program_ = StartProgram(In(kDownloads, "setup.exe"), "", workingFolder);
        HWND install = WaitForPage(program_, IDD_INSTALL);
        if (install == nullptr) {
            ADD_FAILURE() << "no install dialog";
            return nullptr;
        }
        Click(install, IDOK);
        HWND options = WaitForPage(program_, IDD_OPTIONS);
        if (options == nullptr) {
            ADD_FAILURE() << "no options dialog";
            return nullptr;
        }
        Click(options, IDOK);
        if (!WaitForStart(RemovalStart(), kRunLimitMs)) {
            ADD_FAILURE() << "the removal was not started";
            return nullptr;
        }
        return WaitForPage(program_, IDD_PROGRESS);
    }

    // Lets the removal end and the run go on to its end.
    void EndRemoval()
    {
        TerminateAll("msiexec.exe");
        EXPECT_EQ(WaitForExit(program_, kRunLimitMs), 0u);
        EXPECT_EQ(InstalledVersion(), "1.0.0.1") << "the installation went on after the removal";
    }

    std::string program_bytes_;
};

TEST_F(HeldRemoval, RenamesTheDownloaderInItsOwnFolderAroundIt)
{
    ASSERT_TRUE(WriteFileBytes(In(kDownloads, kTemporaryName), "left by an earlier run"));
    ASSERT_TRUE(WriteFileBytes(In(kDownloads, kScript), kScriptText));
    HWND progress = StartAndHoldRemoval(kDownloads);
    ASSERT_NE(progress, nullptr) << "no progress dialog";
    EXPECT_TRUE(WaitForItemText(progress, IDC_STATUS_TEXT, kRemovalText, kWindowLimitMs));
    EXPECT_EQ(ListFiles(kDownloads), (std::vector<std::string>{kTemporaryName, kScript}));
    EXPECT_EQ(ReadOr(In(kDownloads, kTemporaryName), "(missing)"), program_bytes_) << "the running downloader";
    EXPECT_EQ(ReadOr(In(kDownloads, kScript), "(missing)"), "");

    EndRemoval();
    EXPECT_EQ(ListFiles(kDownloads), (std::vector<std::string>{kScript, "pellis_811.exe"}));
    EXPECT_EQ(ReadOr(In(kDownloads, "pellis_811.exe"), "(missing)"), program_bytes_);
}

// The downloader acts only on files in its own folder: a working folder some
// other program chose is not the place of the old generation's files.
TEST_F(HeldRemoval, LeavesAnotherWorkingFolderAlone)
{
    const std::vector<std::pair<std::string, std::string>> planted = {
        {In(kElsewhere, kTemporaryName), "in the working folder"},
        {In(kElsewhere, kScript), kScriptText},
        {In(kElsewhere, "setup.exe"), "another program"},
        {In(kDownloads, kTemporaryName), "beside the downloader"},
    };
    for (const auto& [path, bytes] : planted)
        ASSERT_TRUE(WriteFileBytes(path, bytes));
    HWND progress = StartAndHoldRemoval(kElsewhere);
    ASSERT_NE(progress, nullptr) << "no progress dialog";
    EXPECT_TRUE(WaitForItemText(progress, IDC_STATUS_TEXT, kRemovalText, kWindowLimitMs));

    EndRemoval();
    for (const auto& [path, bytes] : planted)
        EXPECT_EQ(ReadOr(path, "(missing)"), bytes) << path;
    EXPECT_EQ(ListFiles(kDownloads), (std::vector<std::string>{kTemporaryName, "setup.exe"}));
    EXPECT_EQ(ListFiles(kElsewhere), (std::vector<std::string>{kTemporaryName, kScript, "setup.exe"}));
}

// The step itself, in this program: an edition without an old product code
// (0x816) changes no text, touches no file in the working folder, which is
// this program's own, and starts nothing. Should it start the stand-in after
// all, the watchdog ends it, so the step returns and the test fails.
TEST_F(HeldRemoval, DoesNothingForAnEditionWithoutAnOldProductCode)
{
    SetupEditionFor(0x816);
    ASSERT_TRUE(editionInfo.oldProductCode.empty());
    char own[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, own, sizeof own);
    const std::string ownPath = own;
    const std::string ownFolder = ownPath.substr(0, ownPath.rfind('\\'));
    ASSERT_EQ(ownFolder, TestFolderPath("").substr(0, TestFolderPath("").size() - 1))
        << "run-in-prefix.sh must start this program from its test folder";
    char working[MAX_PATH] = {};
    ::GetCurrentDirectoryA(sizeof working, working);
    ASSERT_TRUE(::SetCurrentDirectoryA(ownFolder.c_str()));
    ASSERT_TRUE(WriteFileBytes(In(ownFolder, kTemporaryName), "left by an earlier run"));
    ASSERT_TRUE(WriteFileBytes(In(ownFolder, kScript), kScriptText));

    DialogHost host;
    UniqueHandle returned(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread watchdog([&returned] {
        if (::WaitForSingleObject(returned.get(), kRemovalLimitMs) == WAIT_TIMEOUT)
            TerminateAll("msiexec.exe");
    });
    EXPECT_TRUE(RemoveOldGeneration(host.hwnd()));
    ::SetEvent(returned.get());
    watchdog.join();
    ::SetCurrentDirectoryA(working);

    EXPECT_EQ(host.Text(IDC_STATUS_TEXT), "");
    EXPECT_EQ(ReadStarts(), std::vector<std::string>{});
    EXPECT_TRUE(Exists(ownPath)) << "this program keeps its name";
    EXPECT_EQ(ReadOr(In(ownFolder, kTemporaryName), "(missing)"), "left by an earlier run");
    EXPECT_EQ(ReadOr(In(ownFolder, kScript), "(missing)"), kScriptText);
    ::DeleteFileA(In(ownFolder, kTemporaryName).c_str());
    ::DeleteFileA(In(ownFolder, kScript).c_str());
}

}  // namespace
