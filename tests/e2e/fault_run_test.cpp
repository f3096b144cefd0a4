// Faults of the bank's servers and a killed program in whole update runs of the
// real program under Wine, from an installed 1.0.0.1 to the 1.0.0.3 of
// make-update-releases.sh's "offer-http" (its download area over plain HTTP).
//
// FaultRun: one fetch of the run fails in one way (pellis-server --fault, one
// cell per ctest entry in tests/CMakeLists.txt). The user sees what the cell's
// row says, the installation is left as it was unless the run completed, and
// once the faults are off (pellis-server --faults-until) the next run brings
// 1.0.0.3.
//
// AttackRun: someone answers in the bank's place (make-update-releases.sh's
// attack-NAME releases): an older signed release, a version that would freeze
// updates, manifests mixed from two releases or signed for another bank, a
// missing or swapped Ed25519 signature, a file that fails its SHA-256. Each is
// refused with the installation, registry and shortcuts as they were, and once
// the server turns genuine (pellis-server --then-release) the next run brings
// 1.0.0.3.
//
// KilledRun: the program is terminated at points spread over the manifest and
// file downloads and the copy into place; every time the next normal run
// brings 1.0.0.3. What such a run may leave in the staging folder never goes
// into place.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "app/edition.h"
#include "engine/config.h"
#include "res/resource.h"
#include "system/handles.h"
#include "tests/e2e/update_road.h"
#include "tests/stand_ins/assistant_stand_in.h"
#include "tests/support/assistant_records.h"
#include "tests/support/installed_record.h"
#include "tests/support/program_runner.h"
#include "tests/support/server_log.h"
#include "tests/support/test_files.h"
#include "tests/support/wait_until.h"

namespace {

const char kStagingFolder[] = "DownLoad";
// offer-http, or what PELLIS_NEW_RELEASE names instead.
std::string NewRelease()
{
    const char* named = std::getenv("PELLIS_NEW_RELEASE");
    return named != nullptr ? named : "offer-http";
}
const char kVersionQueryPath[] = "/assist/server";
const char kVendorHost[] = "download.microsoft.com";
const char kX86PackagePath[] = "/download/7/5/0/7502f4e9-1f90-4895-9259-1bde67b8b9a1/vcredist_x86.exe";
const char kX64PackagePath[] = "/download/2/b/e/2bec4780-6f99-4347-ad31-48d4b46ab1d3/vcredist_x64.exe";
const char kPartSuffix[] = ".part";
const char* const kAssistantPrograms[] = {"WebUI_811.exe", "LumaroPop_811.exe", "LumaroPop.exe", "uninst_811.exe",
                                          "vcredist_x86.exe", "vcredist_x64.exe"};
constexpr DWORD kRunLimitMs = 120000;

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The copy keeps the staged file's time, that of its download.
FILETIME LastWriteOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// --- what a run may change: the install folder and the registry

// The installation outside the staging folder, whose contents a run that gives
// up may leave behind.
struct Installation {
    std::map<std::string, std::string> files;
    std::map<std::string, std::string> registry;

    bool operator==(const Installation& other) const { return files == other.files && registry == other.registry; }
};

std::ostream& operator<<(std::ostream& out, const Installation& installation)
{
    for (const auto& [name, value] : installation.registry)
        out << "\n  " << name << " = " << value;
    for (const auto& [file, bytes] : installation.files)
        out << "\n  " << file << " (" << bytes.size() << " bytes)";
    return out;
}

std::string SpecialFolder(int csidl)
{
    char path[MAX_PATH] = {};
    return ::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK ? path : "";
}

Installation ReadInstallation()
{
    Installation installation;
    const std::string desktopShortcut =
        SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\" + editionInfo.productName + ".lnk";
    installation.files[desktopShortcut] = ReadOr(desktopShortcut, "(missing)");
    const std::string startMenu = SpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\" + editionInfo.installSubPath;
    for (const std::string& file : ListFiles(startMenu))
        installation.files[startMenu + "\\" + file] = ReadOr(startMenu + "\\" + file, "(unreadable)");
    const std::string staged = std::string(kStagingFolder) + "\\";
    for (const std::string& file : ListFiles(kInstallFolder)) {
        if (file.compare(0, staged.size(), staged) != 0)
            installation.files[file] = ReadOr(Installed(file), "(unreadable)");
    }
    installation.registry["Version"] = InstalledVersion();
    installation.registry["Path"] = ReadText(kProductKey, KEY_WOW64_32KEY, "Path");
    installation.registry["DisplayName"] =
        ReadText(kUninstallRoot + editionInfo.productName, KEY_WOW64_32KEY, "DisplayName");
    installation.registry["Run"] = ReadText(kRunKey, KEY_WOW64_64KEY, editionInfo.productName);
    return installation;
}

// --- what the server saw

size_t VersionQueries()
{
    size_t queries = 0;
    for (const LoggedRequest& request : ReadServerLog())
        queries += request.method == "GET" && request.path == kVersionQueryPath;
    return queries;
}

size_t VendorRequests(const std::string& path)
{
    size_t requests = 0;
    for (const LoggedRequest& request : ReadServerLog())
        requests += request.method == "GET" && request.path == path &&
                    request.host.compare(0, sizeof kVendorHost - 1, kVendorHost) == 0;
    return requests;
}

// --- the cells

// The fetches of an update run, named as in tests/CMakeLists.txt.
enum class Fetch { versionQuery, commonManifest, editionManifest, componentFile, largeFile, runtimePackage };

// How the first run ends.
enum class Outcome {
    silent,   // the process ends with 0 and shows no window
    givesUp,  // the worker gives up; Cancel closes the dialog without asking
    waiting,  // the worker waits for the server; Cancel asks, and Yes ends the process
    goesOn,   // the run completes; it is held in its stop step to read the dialog
    completes,  // the run completes and brings the new version
};

struct Cell {
    const char* name;  // fetch_mode, the ctest entry's suffix
    Fetch fetch;
    Outcome outcome;
    const char* status;  // the status line the user is left with; null: not examined
    const char* button;  // the Cancel button's caption then; null: not examined
    size_t requests;     // of the faulted fetch in the first run
    const char* leftInStaging = nullptr;  // a file the abandoned run leaves there
    uint64_t resentLimit = 0;  // bytes of the faulted fetch sent more than once stay below it; 0: not examined
};

void PrintTo(const Cell& cell, std::ostream* out)
{
    *out << cell.name;
}

const char kConfiguration[] = "正在下载 配置文件";
const char kCancel[] = "取消";
const char kFailed[] = "下载失败";
const char kFailedRuntime[] = "下载VS库失败";
// Data\a.dat is the second of the three changed files of the common manifest,
// fetched side by side with the others: the pass fetches the rest and ends
// with the failure's texts. While it waits, the status line stays on it once
// Config.ini, the first, is done.
const char kComponentFailed[] = "下载Data\\a.dat 失败";
const char kComponentWaits[] = "正在下载 Data\\a.dat   2/3";
const char kPackageWaits[] = "正在下载 vcredist_x86.exe";

// The version query is sent four times when the transfer breaks and once when
// a whole body arrives that is no answer. A download is tried five times when
// the transfer fails or the status is not 200, once when a whole body arrives
// with the announced length (a manifest then fails its signature check, a
// runtime package the check of its signature before it is started), and five
// times for a component file whose body has another digest.
const Cell kCells[] = {
    {"version_query_404", Fetch::versionQuery, Outcome::silent, nullptr, nullptr, 1},
    {"version_query_500", Fetch::versionQuery, Outcome::silent, nullptr, nullptr, 1},
    {"version_query_garbage", Fetch::versionQuery, Outcome::silent, nullptr, nullptr, 1},
    {"version_query_truncate", Fetch::versionQuery, Outcome::silent, nullptr, nullptr, 4},
    {"version_query_wrong_length", Fetch::versionQuery, Outcome::silent, nullptr, nullptr, 4},

    {"common_manifest_hang", Fetch::commonManifest, Outcome::waiting, kConfiguration, kCancel, 1},
    {"common_manifest_truncate", Fetch::commonManifest, Outcome::givesUp, kConfiguration, kCancel, 5},
    {"common_manifest_wrong_length", Fetch::commonManifest, Outcome::givesUp, kConfiguration, kCancel, 5},
    {"common_manifest_404", Fetch::commonManifest, Outcome::givesUp, kConfiguration, kCancel, 5},
    {"common_manifest_500", Fetch::commonManifest, Outcome::givesUp, kConfiguration, kCancel, 5},
    {"common_manifest_garbage", Fetch::commonManifest, Outcome::givesUp, kConfiguration, kCancel, 1},

    {"edition_manifest_truncate", Fetch::editionManifest, Outcome::givesUp, kConfiguration, kCancel, 5},
    {"edition_manifest_404", Fetch::editionManifest, Outcome::givesUp, kConfiguration, kCancel, 5},
    {"edition_manifest_garbage", Fetch::editionManifest, Outcome::givesUp, kConfiguration, kCancel, 1},

    {"component_file_hang", Fetch::componentFile, Outcome::waiting, kComponentWaits, kCancel, 1},
    {"component_file_stall", Fetch::componentFile, Outcome::waiting, kComponentWaits, kCancel, 1, "Data\\a.dat.part"},
    {"component_file_truncate", Fetch::componentFile, Outcome::givesUp, kComponentFailed, kFailed, 5},
    {"component_file_wrong_length", Fetch::componentFile, Outcome::givesUp, kComponentFailed, kFailed, 5},
    {"component_file_404", Fetch::componentFile, Outcome::givesUp, kComponentFailed, kFailed, 5},
    {"component_file_500", Fetch::componentFile, Outcome::givesUp, kComponentFailed, kFailed, 5},
    {"component_file_garbage", Fetch::componentFile, Outcome::givesUp, kComponentFailed, kFailed, 5},

    // Data\large.bin (10 MiB, offer-large) breaks off at nine tenths; the next
    // attempt fetches only the rest.
    {"large_file_drop_once", Fetch::largeFile, Outcome::completes, nullptr, nullptr, 2, nullptr, 1000000},

    {"runtime_package_hang", Fetch::runtimePackage, Outcome::waiting, kPackageWaits, kCancel, 1},
    {"runtime_package_truncate", Fetch::runtimePackage, Outcome::goesOn, nullptr, kFailedRuntime, 5},
    {"runtime_package_404", Fetch::runtimePackage, Outcome::goesOn, nullptr, kFailedRuntime, 5},
    {"runtime_package_garbage", Fetch::runtimePackage, Outcome::goesOn, nullptr, kFailedRuntime, 1},
};

size_t RequestsOf(Fetch fetch)
{
    const std::vector<std::string> downloads = DownloadRequests();
    switch (fetch) {
    case Fetch::versionQuery:
        return VersionQueries();
    case Fetch::commonManifest:
        return std::count(downloads.begin(), downloads.end(), "Digest.xml");
    case Fetch::editionManifest:
        return std::count(downloads.begin(), downloads.end(), "Digest_811.xml");
    case Fetch::componentFile:
        return std::count(downloads.begin(), downloads.end(), "Data/a.dat");
    case Fetch::largeFile:
        return std::count(downloads.begin(), downloads.end(), "Data/large.bin");
    case Fetch::runtimePackage:
        return VendorRequests(kX86PackagePath);
    }
    return 0;
}

// Body bytes the server sent for a file of the download area.
uint64_t BytesSentOf(const std::string& file)
{
    uint64_t bytes = 0;
    for (const LoggedRequest& request : ReadServerLog()) {
        if (request.method == "GET" && request.path.size() >= file.size() &&
            request.path.compare(request.path.size() - file.size(), file.size(), file) == 0)
            bytes += request.bytes;
    }
    return bytes;
}

bool WaitForRequestOf(Fetch fetch, DWORD ms)
{
    return WaitUntil([&] { return RequestsOf(fetch) != 0; }, ms, 100);
}

// --- runs

class UpdateRuns {
protected:
    // The server's switch file (PELLIS_FAULTS_OFF), removed so the run starts
    // with the faults or the attacker's release in place, and release 1.0.0.1
    // installed.
    void StartFromTheOldVersion(std::string* switchFile)
    {
        const char* off = std::getenv("PELLIS_FAULTS_OFF");
        ASSERT_NE(off, nullptr) << "PELLIS_FAULTS_OFF names the file that switches the server to genuine answers";
        *switchFile = WindowsPathOf(off);
        ::DeleteFileA(switchFile->c_str());
        InstallOldVersion();
    }

    void InstallOldVersion()
    {
        SetupEdition();
        RemoveTree(kInstallFolder);
        CopyFolder(Release("old\\download"), kInstallFolder);
        WriteInstalledRecord(kOldVersion, kInstallFolder);
        ClearRecords();
    }

    void EndPrograms()
    {
        if (program_.process.valid() && WaitForExit(program_, 0) == STILL_ACTIVE)
            ::TerminateProcess(program_.process.get(), 1);
        for (const char* name : kAssistantPrograms)
            TerminateAll(name);
    }

    void Start()
    {
        program_ = StartProgram(TestFolderPath("pellis_811.exe"), "");
        ASSERT_TRUE(program_.process.valid());
    }

    // Answers the update prompt with OK; the progress dialog that follows.
    HWND AcceptPrompt()
    {
        HWND prompt = WaitForAccepted(program_, IsUpdatePrompt, kWindowLimitMs);
        if (prompt == nullptr)
            return nullptr;
        Click(prompt, IDOK);
        return WaitForAccepted(program_, IsProgressDialog, kWindowLimitMs);
    }

    // A normal run from start to end: the update, or the message that the
    // latest version is installed when the run before got that far.
    void RunToTheEnd()
    {
        ASSERT_NO_FATAL_FAILURE(Start());
        const bool updateDue = InstalledVersion() != kNewVersion;
        if (updateDue) {
            ASSERT_NE(AcceptPrompt(), nullptr) << "no update prompt";
        } else {
            HWND box = WaitForMessageBox(program_, editionInfo.productName, kWindowLimitMs);
            ASSERT_NE(box, nullptr) << "no message box";
            EXPECT_EQ(MessageBoxText(box), "您当前已安装了最新的" + editionInfo.productName + "版本。");
            Click(box, IDOK);
        }
        EXPECT_EQ(WaitForExit(program_, kRunLimitMs), 0u);
    }

    // Release 1.0.0.3 in place: its files and manifests, the registry, an
    // empty staging folder, no partial download anywhere.
    static void ExpectNewVersionInstalled()
    {
        for (const std::string& file : ListFiles(Release(NewRelease() + "\\download")))
            EXPECT_EQ(ReadOr(Installed(file), "(missing)"),
                      ReadOr(Release(NewRelease() + "\\download\\" + file), ""))
                << file;
        for (const std::string& file : ListFiles(kInstallFolder))
            EXPECT_FALSE(EndsWith(file, kPartSuffix)) << file;
        EXPECT_EQ(ListFiles(Installed(kStagingFolder)), std::vector<std::string>{}) << "the staging folder is emptied";
        EXPECT_EQ(InstalledVersion(), kNewVersion);
        EXPECT_EQ(ReadText(kProductKey, KEY_WOW64_32KEY, "Path"), kInstallFolder);
        EXPECT_NE(ReadText(kUninstallRoot + editionInfo.productName, KEY_WOW64_32KEY, "DisplayName"), kNoValue);
    }

    RunningProgram program_;
};

class FaultRun : public ::testing::TestWithParam<Cell>, protected UpdateRuns {
protected:
    void SetUp() override { StartFromTheOldVersion(&faultsOff_); }
    void TearDown() override
    {
        if (hold_.valid())
            ::SetEvent(hold_.get());
        EndPrograms();
    }

    // The first run, with the fault; what the user is left with.
    void RunWithTheFault(const Cell& cell, Shown* shown)
    {
        if (cell.outcome == Outcome::goesOn) {
            hold_.reset(::CreateEventA(nullptr, TRUE, FALSE, kHoldStoppingEvent));
            ASSERT_TRUE(hold_.valid());
        }
        ASSERT_NO_FATAL_FAILURE(Start());
        if (cell.outcome == Outcome::silent) {
            bool sawWindow = false;
            EXPECT_EQ(WaitForExitWithoutWindows(program_, kRunLimitMs, &sawWindow), 0u);
            EXPECT_FALSE(sawWindow);
            return;
        }
        HWND dialog = AcceptPrompt();
        ASSERT_NE(dialog, nullptr) << "no progress dialog";
        switch (cell.outcome) {
        case Outcome::givesUp:
            ASSERT_TRUE(CancelAfterTheWorkerGaveUp(program_, dialog, shown));
            break;
        case Outcome::waiting: {
            ASSERT_TRUE(WaitForRequestOf(cell.fetch, kRunLimitMs));
            EXPECT_TRUE(WaitForItemText(dialog, IDC_STATUS_TEXT, cell.status, kWindowLimitMs));
            // Long enough for a body that was coming to have arrived.
            ::Sleep(1000);
            *shown = {ItemText(dialog, IDC_STATUS_TEXT), ItemText(dialog, IDCANCEL)};
            Click(dialog, IDCANCEL);
            HWND question = WaitForAccepted(program_, IsCancelQuestion, kWindowLimitMs);
            ASSERT_NE(question, nullptr) << "Cancel did not ask while the worker waits";
            Click(question, IDYES);
            EXPECT_EQ(WaitForExit(program_, kWindowLimitMs), 0u);
            break;
        }
        case Outcome::goesOn:
            ASSERT_TRUE(WaitForStart("WebUI_811.exe -t", kRunLimitMs)) << "the run never reached its stop step";
            *shown = {ItemText(dialog, IDC_STATUS_TEXT), ItemText(dialog, IDCANCEL)};
            ::SetEvent(hold_.get());
            EXPECT_EQ(WaitForExit(program_, kRunLimitMs), 0u);
            break;
        case Outcome::completes:
            EXPECT_EQ(WaitForExit(program_, kRunLimitMs), 0u);
            break;
        case Outcome::silent:
            break;
        }
    }

    std::string faultsOff_;
    UniqueHandle hold_;
};

TEST_P(FaultRun, ShowsTheFailureKeepsTheInstallationAndTheNextRunUpdates)
{
    const Cell& cell = GetParam();
    const Installation before = ReadInstallation();

    Shown shown;
    ASSERT_NO_FATAL_FAILURE(RunWithTheFault(cell, &shown));
    if (cell.status != nullptr) {
        EXPECT_EQ(shown.status, cell.status);
    }
    if (cell.button != nullptr) {
        EXPECT_EQ(shown.button, cell.button);
    }
    EXPECT_EQ(RequestsOf(cell.fetch), cell.requests);
    if (cell.resentLimit != 0) {
        const uint64_t size = ReadOr(Release(NewRelease() + "\\download\\Data\\large.bin"), "").size();
        ASSERT_GT(size, 0u);
        EXPECT_LT(BytesSentOf("Data/large.bin"), size + cell.resentLimit);
    }
    if (cell.outcome == Outcome::goesOn) {
        EXPECT_EQ(VendorRequests(kX64PackagePath), 1u) << "the run goes on with the next package";
        ExpectNewVersionInstalled();
    } else if (cell.outcome == Outcome::completes) {
        ExpectNewVersionInstalled();
    } else {
        EXPECT_EQ(ReadInstallation(), before) << "the installation of " << kOldVersion << " is left as it was";
    }
    if (cell.leftInStaging != nullptr) {
        const std::vector<std::string> staged = ListFiles(Installed(kStagingFolder));
        EXPECT_EQ(std::count(staged.begin(), staged.end(), cell.leftInStaging), 1) << "the cell leaves no such file";
    }

    EndPrograms();
    ASSERT_TRUE(WriteFileBytes(faultsOff_, "off\n"));
    ASSERT_NO_FATAL_FAILURE(RunToTheEnd());
    ExpectNewVersionInstalled();
}

INSTANTIATE_TEST_SUITE_P(Cells, FaultRun, ::testing::ValuesIn(kCells),
                         [](const ::testing::TestParamInfo<Cell>& info) { return std::string(info.param.name); });

// --- attacks

enum class FirstWindow { none, prompt, progress };

struct Attack {
    const char* name;          // make-update-releases.sh's attack-NAME, "-" as "_"
    FirstWindow firstWindow;   // none: the answer is malformed, the run ends silently
    const char* status;        // what the progress dialog shows once the run gave up
};

std::ostream& operator<<(std::ostream& out, const Attack& attack)
{
    return out << attack.name;
}

// The rollback and freeze answers ask for a forced update (no prompt).
const Attack kAttacks[] = {
    {"rollback", FirstWindow::progress, kConfiguration},
    {"freeze_negative", FirstWindow::none, nullptr},
    {"freeze_field", FirstWindow::none, nullptr},
    {"freeze_long", FirstWindow::none, nullptr},
    {"mixed", FirstWindow::prompt, kConfiguration},
    {"other_bank", FirstWindow::prompt, kConfiguration},
    {"missing_sig", FirstWindow::prompt, kConfiguration},
    {"swapped_sig", FirstWindow::prompt, kConfiguration},
    {"sha256", FirstWindow::prompt, kComponentFailed},
};

class AttackRun : public ::testing::TestWithParam<Attack>, protected UpdateRuns {
protected:
    void SetUp() override { StartFromTheOldVersion(&genuine_); }
    void TearDown() override { EndPrograms(); }

    std::string genuine_;
};

TEST_P(AttackRun, IsRefusedWithNothingChangedAndTheGenuineUpdateFollows)
{
    const Attack& attack = GetParam();
    const Installation before = ReadInstallation();

    ASSERT_NO_FATAL_FAILURE(Start());
    if (attack.firstWindow == FirstWindow::none) {
        bool sawWindow = false;
        EXPECT_EQ(WaitForExitWithoutWindows(program_, kRunLimitMs, &sawWindow), 0u);
        EXPECT_FALSE(sawWindow);
        EXPECT_EQ(DownloadRequests(), std::vector<std::string>{});
    } else {
        HWND dialog = attack.firstWindow == FirstWindow::prompt
                          ? AcceptPrompt()
                          : WaitForAccepted(program_, IsProgressDialog, kWindowLimitMs);
        ASSERT_NE(dialog, nullptr) << "no progress dialog";
        Shown shown;
        ASSERT_TRUE(CancelAfterTheWorkerGaveUp(program_, dialog, &shown));
        EXPECT_EQ(shown.status, attack.status);
    }
    EXPECT_EQ(ReadInstallation(), before) << "the installation of " << kOldVersion << " is left as it was";
    if (std::string(attack.name) == "sha256") {
        EXPECT_EQ(RequestsOf(Fetch::componentFile), 5u) << "a body of another SHA-256 counts as a failed attempt";
    }

    EndPrograms();
    ASSERT_TRUE(WriteFileBytes(genuine_, "genuine\n"));
    ASSERT_NO_FATAL_FAILURE(RunToTheEnd());
    ExpectNewVersionInstalled();
}

INSTANTIATE_TEST_SUITE_P(Attacks, AttackRun, ::testing::ValuesIn(kAttacks),
                         [](const ::testing::TestParamInfo<Attack>& info) { return std::string(info.param.name); });

// --- killed runs

class KilledRun : public ::testing::Test, protected UpdateRuns {
protected:
    void TearDown() override
    {
        if (hold_.valid())
            ::SetEvent(hold_.get());
        EndPrograms();
    }

    // Starts the update and terminates the program once the server has seen
    // `requests` more download requests.
    void KillAfterRequests(size_t requests)
    {
        const size_t before = DownloadRequests().size();
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_NE(AcceptPrompt(), nullptr) << "no progress dialog";
        WaitUntil([&] { return DownloadRequests().size() >= before + requests; }, kRunLimitMs, 5);
        ::TerminateProcess(program_.process.get(), 1);
        ASSERT_EQ(WaitForExit(program_, kWindowLimitMs), 1u) << "the run ended before the kill point";
    }

    // Starts the update, holds it in its stop step, lets go and terminates the
    // program `delayMs` later, or, with `firstCopy`, as soon as a file of the
    // new version appears in the install folder.
    void KillInTheCopy(DWORD delayMs, bool firstCopy)
    {
        hold_.reset(::CreateEventA(nullptr, TRUE, FALSE, kHoldStoppingEvent));
        ASSERT_TRUE(hold_.valid());
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_NE(AcceptPrompt(), nullptr) << "no progress dialog";
        ASSERT_TRUE(WaitForStart("WebUI_811.exe -t", kRunLimitMs)) << "the run never reached its stop step";
        const FILETIME installed = LastWriteOf(Installed("Config.ini"));
        ::SetEvent(hold_.get());
        if (firstCopy) {
            // Watched without opening the file, which could hold up the copy;
            // looked at every millisecond, to kill close after the copy's start.
            WaitUntil(
                [&] {
                    const FILETIME now = LastWriteOf(Installed("Config.ini"));
                    return ::CompareFileTime(&installed, &now) != 0 || WaitForExit(program_, 0) != STILL_ACTIVE;
                },
                kRunLimitMs, 1);
        } else {
            ::Sleep(delayMs);
        }
        ::TerminateProcess(program_.process.get(), 1);
        WaitForExit(program_, kWindowLimitMs);
        hold_.reset();
    }

    UniqueHandle hold_;
};

TEST_F(KilledRun, TheNextRunAlwaysBringsTheNewVersion)
{
    // The downloads of the run, in order: Digest.xml and its signature,
    // Digest_811.xml and its signature, the common pass's Config.ini,
    // Data\a.dat, Script\added.js, then the edition pass's
    // Plugins\Edition811.dll (the common pass's files cross the network once).
    const size_t requestPoints[] = {1, 2, 4, 6, 8};
    unsigned seed = static_cast<unsigned>(::GetTickCount());
    if (const char* given = std::getenv("PELLIS_KILL_SEED"))
        seed = static_cast<unsigned>(std::strtoul(given, nullptr, 10));
    std::cout << "kill seed " << seed << " (PELLIS_KILL_SEED=" << seed << " repeats these kill points)" << std::endl;
    std::mt19937 generator(seed);
    constexpr DWORD kCopyWindowMs = 3000;

    for (size_t requests : requestPoints) {
        SCOPED_TRACE("killed after " + std::to_string(requests) + " download requests");
        InstallOldVersion();
        ASSERT_NO_FATAL_FAILURE(KillAfterRequests(requests));
        EndPrograms();
        ASSERT_NO_FATAL_FAILURE(RunToTheEnd());
        ExpectNewVersionInstalled();
        EndPrograms();
    }
    const DWORD delays[] = {0, generator() % kCopyWindowMs, generator() % kCopyWindowMs};
    for (DWORD delay : delays) {
        const bool firstCopy = delay == 0;
        SCOPED_TRACE(firstCopy ? std::string("killed at the first copied file")
                               : "killed " + std::to_string(delay) + " ms after the stop step");
        InstallOldVersion();
        ASSERT_NO_FATAL_FAILURE(KillInTheCopy(delay, firstCopy));
        EndPrograms();
        ASSERT_NO_FATAL_FAILURE(RunToTheEnd());
        ExpectNewVersionInstalled();
        EndPrograms();
    }
}

// A run killed while an earlier release was served may have left files that
// the next run does not fetch: Tools\tool.txt is the same in 1.0.0.1 and 1.0.0.3.
TEST_F(KilledRun, WhatAnEarlierRunLeftInTheStagingFolderIsNotCopied)
{
    InstallOldVersion();
    const std::string staged = Installed(std::string(kStagingFolder) + "\\Tools");
    MakeFolders(staged);
    ASSERT_TRUE(WriteFileBytes(staged + "\\tool.txt", "fetched for a release withdrawn since\n"));
    ASSERT_TRUE(WriteFileBytes(staged + "\\tool.txt.part", "half a bo"));
    ASSERT_NO_FATAL_FAILURE(RunToTheEnd());
    ExpectNewVersionInstalled();
}

}  // namespace
