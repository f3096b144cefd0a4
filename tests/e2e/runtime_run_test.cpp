// The runtime packages in whole forced update runs of the real program under
// Wine: the prefix's reported Windows version decides whether the vendor's
// packages are fetched (see tests/CMakeLists.txt: the Vista run sets it with
// run-in-prefix.sh --windows-version). The vendor's host is reached through the
// prefix's proxy, which is pellis-server; it serves stand-ins that record their
// start like the assistant's programs.
//
// The run is held in its stop step (tests/stand_ins/assistant_stand_in.h) until
// the test has watched the overall bar.
//
// The served packages are signed by a test certificate of the publisher
// deploy/demo names (trusted under Wine, which does not check the root), or
// unsigned and tampered, or validly signed by another publisher
// (tests/e2e/make-runtime-packages.sh). The same road, started from a folder
// where DLLs named like the system DLLs it uses have been planted, shows that
// the program loads none of them.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/edition.h"
#include "res/resource.h"
#include "system/handles.h"
#include "tests/stand_ins/assistant_stand_in.h"
#include "tests/support/assistant_records.h"
#include "tests/support/installed_record.h"
#include "tests/support/program_runner.h"
#include "tests/support/server_log.h"
#include "tests/support/test_files.h"
#include "tests/support/wait_until.h"

namespace {

const char kInstallFolder[] = "C:\\Program Files (x86)\\Aldmoor\\Pellisor";
const char kVendorHost[] = "download.microsoft.com";
const char kX86Path[] = "/download/7/5/0/7502f4e9-1f90-4895-9259-1bde67b8b9a1/vcredist_x86.exe";
const char kX64Path[] = "/download/2/b/e/2bec4780-6f99-4347-ad31-48d4b46ab1d3/vcredist_x64.exe";
const char kX86Package[] = "vcredist_x86.exe";
const char kX64Package[] = "vcredist_x64.exe";
const char kHeldStart[] = "WebUI_811.exe -t";
// The packages' installed markers, in the program's own (32-bit) registry view.
const char kX86Marker[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{A09D5493-0D9F-3211-B3BF-DD7ABBB318C1}";
const char kX64Marker[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{02A39130-2CF3-30CA-8623-30F6071A4221}";
constexpr DWORD kRunLimitMs = 120000;
constexpr DWORD kRecordLimitMs = 30000;

std::string Release(const std::string& relative)
{
    const char* releases = std::getenv("PELLIS_UPDATE_RELEASES");
    return WindowsPathOf(releases ? releases : "/nonexistent") + "\\" + relative;
}

// Entries of a manifest: one File element each.
int EntriesOf(const std::string& manifest)
{
    std::string text;
    EXPECT_TRUE(ReadFileBytes(manifest, &text)) << manifest;
    int entries = 0;
    for (size_t at = text.find("<File "); at != std::string::npos; at = text.find("<File ", at + 1))
        ++entries;
    return entries;
}

// The text of a control in another process.
std::string WindowTextOf(HWND window)
{
    char text[256] = {};
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 1000,
                          &copied);
    return text;
}

// The vendor paths requested after the first `skipped` requests of the
// server's log, in the order the server saw them.
std::vector<std::string> VendorRequestsAfter(size_t skipped)
{
    std::vector<std::string> paths;
    const std::vector<LoggedRequest> log = ReadServerLog();
    for (size_t at = skipped; at < log.size(); ++at) {
        const LoggedRequest& request = log[at];
        if (request.method == "GET" && request.host.compare(0, sizeof kVendorHost - 1, kVendorHost) == 0)
            paths.push_back(request.path);
    }
    return paths;
}

// A marker key as a package's installer leaves it, or a key without its
// "Version" value when `version` is null.
void PlantMarker(const char* key, const char* version)
{
    HKEY created = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    const RegKey marker(created);
    const char kName[] = "DisplayName";
    ASSERT_EQ(::RegSetValueExA(marker.get(), kName, 0, REG_SZ, reinterpret_cast<const BYTE*>(kName), sizeof kName),
              ERROR_SUCCESS);
    if (version != nullptr)
        ASSERT_EQ(::RegSetValueExA(marker.get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                                   static_cast<DWORD>(strlen(version) + 1)),
                  ERROR_SUCCESS);
}

class RuntimeRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetupEdition();
        CopyFolder(Release("old\\download"), kInstallFolder);
        WriteInstalledRecord("1.0.0.1", kInstallFolder);
        ClearRecords();
        loggedBefore_ = ReadServerLog().size();
        hold_.reset(::CreateEventA(nullptr, TRUE, FALSE, kHoldStoppingEvent));
        ASSERT_TRUE(hold_.valid());
    }
    void TearDown() override
    {
        ::SetEvent(hold_.get());
        if (program_.process.valid() && WaitForExit(program_, 0) == STILL_ACTIVE)
            ::TerminateProcess(program_.process.get(), 1);
        for (const char* name : {"WebUI_811.exe", "LumaroPop_811.exe", "LumaroPop.exe", kX86Package, kX64Package})
            TerminateAll(name);
        for (const char* marker : {kX86Marker, kX64Marker})
            ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, marker);
    }

    // Runs the forced update to its end, watching the overall bar. Its range
    // counts the runtime steps only until the manifest pass sets a range of its
    // own (an update counts just the changed files), so it is read as often as
    // possible; the upper limits seen. The Cancel button's caption while the run
    // is held goes to cancelTextWhileHeld_.
    std::set<int> RunAndWatchOverallRange(const std::string& program = TestFolderPath("pellis_811.exe"))
    {
        program_ = StartProgram(program, "");
        EXPECT_TRUE(program_.process.valid());
        HWND dialog = nullptr;
        HWND bar = nullptr;
        std::set<int> seen;
        // The first start with "-t" is the forced update's notice, the second the stop step's.
        WaitUntil(
            [&] {
                if (StartsOf(ReadStarts(), "WebUI_811.exe").size() >= 2)
                    return true;
                if (bar == nullptr) {
                    dialog = WaitForAccepted(
                        program_, [](HWND window) { return ::GetDlgItem(window, IDC_OVERALL_BAR) != nullptr; }, 0);
                    bar = dialog ? ::GetDlgItem(dialog, IDC_OVERALL_BAR) : nullptr;
                }
                for (int read = 0; bar != nullptr && read < 100; ++read) {
                    DWORD_PTR upper = 0;
                    if (::SendMessageTimeoutA(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 1000, &upper))
                        seen.insert(static_cast<int>(upper));
                }
                return false;
            },
            kRunLimitMs, 1);
        EXPECT_NE(bar, nullptr) << "no progress dialog";
        EXPECT_TRUE(WaitForStart(kHeldStart, 0, 2)) << "the run never reached its stop step";
        if (dialog != nullptr)
            cancelTextWhileHeld_ = WindowTextOf(::GetDlgItem(dialog, IDCANCEL));
        ::SetEvent(hold_.get());
        EXPECT_EQ(WaitForExit(program_, kRunLimitMs), 0u);
        return seen;
    }

    // The overall steps the worker counts for the assistant's files: the
    // entries of the installed manifests.
    static int ManifestEntries()
    {
        return EntriesOf(Release("old\\download\\Digest.xml")) + EntriesOf(Release("old\\download\\Digest_811.xml"));
    }

    // The packages whose start was recorded, in order.
    static std::vector<std::string> PackageStarts()
    {
        std::vector<std::string> starts;
        for (const std::string& start : ReadStarts()) {
            if (start.compare(0, 9, "vcredist_") == 0)
                starts.push_back(start);
        }
        return starts;
    }

    // The vendor paths this test's run requested.
    std::vector<std::string> VendorRequests() const { return VendorRequestsAfter(loggedBefore_); }

    RunningProgram program_;
    UniqueHandle hold_;
    std::string cancelTextWhileHeld_;
    size_t loggedBefore_ = 0;
};

class RuntimeOnVista : public RuntimeRun {};
class RuntimeOnSeven : public RuntimeRun {};
class UntrustedRuntimeOnVista : public RuntimeRun {};

TEST_F(RuntimeOnVista, FetchesAndStartsBothPackagesX86First)
{
    EXPECT_EQ(RunAndWatchOverallRange().count(ManifestEntries() + 2), 1u) << "two runtime steps counted";
    EXPECT_EQ(VendorRequests(), (std::vector<std::string>{kX86Path, kX64Path}));
    EXPECT_TRUE(WaitForStart(std::string(kX64Package) + " /q", kRecordLimitMs));
    EXPECT_EQ(PackageStarts(), (std::vector<std::string>{"vcredist_x86.exe /q", "vcredist_x64.exe /q"}));
}

// An installed x86 package (its marker with "Version") is left alone; an x64
// marker without "Version" counts as missing.
TEST_F(RuntimeOnVista, FetchesOnlyThePackageWhoseMarkerLacksItsVersion)
{
    PlantMarker(kX86Marker, "9.0.30729.6161");
    PlantMarker(kX64Marker, nullptr);
    EXPECT_EQ(RunAndWatchOverallRange().count(ManifestEntries() + 1), 1u) << "one runtime step counted";
    EXPECT_EQ(VendorRequests(), std::vector<std::string>{kX64Path});
    EXPECT_TRUE(WaitForStart(std::string(kX64Package) + " /q", kRecordLimitMs));
    EXPECT_EQ(PackageStarts(), std::vector<std::string>{"vcredist_x64.exe /q"});
}

// Served unsigned (x86) and tampered (x64), or both signed by a publisher the
// deployment does not name (one ctest entry each): both fetched, neither
// started, the failure of a download shown, and the run goes on to its end.
TEST_F(UntrustedRuntimeOnVista, NeitherPackageIsStartedAndTheRunGoesOn)
{
    RunAndWatchOverallRange();
    EXPECT_EQ(VendorRequests(), (std::vector<std::string>{kX86Path, kX64Path}));
    EXPECT_EQ(cancelTextWhileHeld_, "下载VS库失败");
    EXPECT_TRUE(WaitForStart("WebUI_811.exe", kRecordLimitMs)) << "the assistant was started at the end";
    EXPECT_EQ(PackageStarts(), std::vector<std::string>{});
}

// DLLs the program uses that are not KnownDLLs everywhere, planted (by name)
// in the folder the program is started from, as a browser's download folder
// might hold them.
const char kPlantFolder[] = "C:\\pellis-test\\downloads";
// Not crypt32.dll, which the program delay-loads too: under Wine, its own
// schannel (loaded by WinINet for HTTPS) delay-loads crypt32 by a search that
// takes the program's folder first whatever the program set, as Windows does
// not (docs/DESIGN-NOTES.md, "Privilege boundary").
const char* const kPlantedNames[] = {"comctl32.dll", "gdiplus.dll", "wininet.dll", "wintrust.dll"};
constexpr DWORD kPlantedCount = sizeof kPlantedNames / sizeof kPlantedNames[0];

std::string MarkerOf(const char* dll)
{
    return TestFolderPath(std::string("loaded-") + dll);
}

// Wine loads its own builtin for these names even when the program's folder
// holds a DLL of that name; Windows takes the folder's copy. Native first makes
// Wine search like Windows (read by each process at its start).
void PreferNativeDlls()
{
    static const char kNativeFirst[] = "native,builtin";
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const RegKey overrides(key);
    for (const char* dll : kPlantedNames) {
        const std::string name = std::string(dll).substr(0, std::string(dll).find('.'));
        ::RegSetValueExA(overrides.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(kNativeFirst),
                         sizeof kNativeFirst);
    }
}

void Plant(const std::string& program)
{
    ::CreateDirectoryA(kPlantFolder, nullptr);
    for (const char* dll : kPlantedNames) {
        ::DeleteFileA(MarkerOf(dll).c_str());
        ASSERT_TRUE(::CopyFileA(TestFolderPath("planted.dll").c_str(),
                                (std::string(kPlantFolder) + "\\" + dll).c_str(), FALSE));
    }
    ASSERT_TRUE(::CopyFileA(TestFolderPath(program).c_str(), (std::string(kPlantFolder) + "\\" + program).c_str(),
                            FALSE));
}

std::vector<std::string> LoadedPlantedDlls()
{
    std::vector<std::string> loaded;
    for (const char* dll : kPlantedNames) {
        if (::GetFileAttributesA(MarkerOf(dll).c_str()) != INVALID_FILE_ATTRIBUTES)
            loaded.push_back(dll);
    }
    return loaded;
}

class PlantedDllsOnVista : public RuntimeRun {
protected:
    void SetUp() override
    {
        RuntimeRun::SetUp();
        PreferNativeDlls();
    }
};

// The control: a program that loads these names the ordinary way does load
// the planted copies, so a load would be seen.
TEST_F(PlantedDllsOnVista, AnUnguardedProgramLoadsThem)
{
    Plant("dll_loader.exe");
    std::string tail;
    for (const char* dll : kPlantedNames)
        tail += std::string(tail.empty() ? "" : " ") + dll;
    const RunningProgram loader = StartProgram(std::string(kPlantFolder) + "\\dll_loader.exe", tail);
    ASSERT_TRUE(loader.process.valid());
    EXPECT_EQ(WaitForExit(loader, kRecordLimitMs), kPlantedCount);
    EXPECT_EQ(LoadedPlantedDlls(), (std::vector<std::string>{kPlantedNames, kPlantedNames + kPlantedCount}));
}

// A whole forced update with both runtime packages uses all four DLLs
// (common controls, WinINet, GDI+ for the skinned dialog, the trust check).
TEST_F(PlantedDllsOnVista, TheProgramLoadsNoneOfThem)
{
    Plant("pellis_811.exe");
    RunAndWatchOverallRange(std::string(kPlantFolder) + "\\pellis_811.exe");
    EXPECT_TRUE(WaitForStart(std::string(kX64Package) + " /q", kRecordLimitMs));
    EXPECT_EQ(PackageStarts(), (std::vector<std::string>{"vcredist_x86.exe /q", "vcredist_x64.exe /q"}));
    EXPECT_EQ(LoadedPlantedDlls(), std::vector<std::string>{});
}

TEST_F(RuntimeOnSeven, FetchesNothing)
{
    const std::set<int> seen = RunAndWatchOverallRange();
    EXPECT_EQ(seen.count(ManifestEntries() + 1) + seen.count(ManifestEntries() + 2), 0u) << "no runtime step counted";
    EXPECT_EQ(VendorRequests(), std::vector<std::string>{});
    for (const std::string& start : ReadStarts())
        EXPECT_NE(start.compare(0, 9, "vcredist_"), 0) << start;
}

}  // namespace
