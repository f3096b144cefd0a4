// Whole update runs of the real program under Wine against pellis-server. The
// test installs release 1.0.0.1 (made by make-update-releases.sh from the
// stand-ins of the assistant's programs) the way a first installation leaves
// it, then runs the program; each suite is one server set-up (see
// tests/CMakeLists.txt).
//
// Where a test must look at the run in the middle, it holds the run in its
// stop step: the stand-ins started with "-t" wait while the test's hold event
// is not set (tests/stand_ins/assistant_stand_in.h), and the worker waits for
// that start. Where a run gives up, the test leaves with Cancel, declining the
// question for as long as the worker is still busy; the closing Cancel then
// shows the state the worker left.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/edition.h"
#include "engine/config.h"
#include "res/resource.h"
#include "res/version.h"
#include "system/handles.h"
#include "system/log_line.h"
#include "system/process_utils.h"
#include "tests/e2e/shortcut_files.h"
#include "tests/e2e/update_road.h"
#include "tests/stand_ins/assistant_stand_in.h"
#include "tests/support/assistant_records.h"
#include "tests/support/installed_record.h"
#include "tests/support/program_runner.h"
#include "tests/support/server_log.h"
#include "tests/support/test_files.h"
#include "tests/support/wait_until.h"

namespace {

const char kStaging[] = "C:\\Program Files (x86)\\Aldmoor\\Pellisor\\DownLoad";
const char kWebUi[] = "WebUI_811.exe";
const char kEditionPop[] = "LumaroPop_811.exe";
const char kCommonPop[] = "LumaroPop.exe";
constexpr DWORD kRunLimitMs = 120000;
constexpr DWORD kRecordLimitMs = 30000;

// --- registry (the product key and uninstall entry in the 32-bit view, Run in the 64-bit one)

std::string StartupValue()
{
    return ReadText(kRunKey, KEY_WOW64_64KEY, editionInfo.productName);
}

bool UninstallEntryExists()
{
    return ReadText(kUninstallRoot + editionInfo.productName, KEY_WOW64_32KEY, "DisplayName") != kNoValue;
}

// A start-up value left by a first installation with the option set.
void SetStartupValue()
{
    HKEY created = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                                &created, nullptr),
              ERROR_SUCCESS);
    RegKey key(created);
    const std::string data = Installed("LumaroPop_811.exe");
    ::RegSetValueExA(key.get(), editionInfo.productName.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1));
}

// --- windows of the program

// --- what the server handed out

std::set<std::string> Distinct(const std::vector<std::string>& paths)
{
    return std::set<std::string>(paths.begin(), paths.end());
}

size_t CountOf(const std::vector<std::string>& paths, const std::string& path)
{
    return static_cast<size_t>(std::count(paths.begin(), paths.end(), path));
}

bool WaitForRequest(const std::string& path, DWORD ms)
{
    return WaitUntil([&] { return CountOf(DownloadRequests(), path) != 0; }, ms, 100);
}

// --- the program's support log, in the temporary folder this test shares with it

std::string SupportLog()
{
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(sizeof temp, temp);
    return SupportLogPath(temp, "pellis_811.exe");
}

std::vector<std::string> LogLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::istringstream in(ReadOr(path, ""));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The lines that hold every one of `parts`.
std::vector<std::string> LinesWith(const std::vector<std::string>& lines, std::initializer_list<std::string> parts)
{
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (std::all_of(parts.begin(), parts.end(),
                        [&line](const std::string& part) { return line.find(part) != std::string::npos; }))
            found.push_back(line);
    }
    return found;
}

// What every run's log holds: its start, the version answer, the end; and
// never the sealed version query.
void ExpectRunFrame(const std::vector<std::string>& lines)
{
    EXPECT_EQ(LinesWith(lines, {"start: ", "pellis_811.exe version " PELLIS_VERSION_TEXT ", command tail \"\", normal start, Windows "}).size(), 1u);
    EXPECT_EQ(LinesWith(lines, {"version answer: v " + std::string(kNewVersion) + ", update mode \"1\""}).size(), 1u);
    EXPECT_EQ(LinesWith(lines, {"GET ", "/assist/server", "data=(sealed, ", "answered"}).size(), 1u);
    EXPECT_EQ(LinesWith(lines, {"data="}), LinesWith(lines, {"data=(sealed, "})) << "a sealed query in the log";
    EXPECT_EQ(LinesWith(lines, {"exit: "}).size(), 1u);
}

// --- the installation the runs start from

class UpdateRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetupEdition();
        CopyFolder(Release("old\\download"), kInstallFolder);
        ASSERT_EQ(ReadOr(Installed("Digest_811.xml"), "(missing)"), ReadOr(Release("old\\download\\Digest_811.xml"), ""));
        WriteInstalledRecord(kOldVersion, kInstallFolder);
        SetStartupValue();
        MakeQuickLaunchFolder();
        ClearRecords();
        ::DeleteFileA(SupportLog().c_str());
        ::DeleteFileA(OlderGenerationPath(SupportLog()).c_str());
    }
    void TearDown() override
    {
        if (program_.process.valid() && WaitForExit(program_, 0) == STILL_ACTIVE)
            ::TerminateProcess(program_.process.get(), 1);
        for (const char* name : {kWebUi, kEditionPop, kCommonPop})
            TerminateAll(name);
    }

    // The assistant as it runs before the update: its WebUI and the edition's
    // program, which serves the pipe. Its start line is written once the pipe exists.
    void StartRunningAssistant()
    {
        runningWebUi_ = StartProgram(Installed(kWebUi), "");
        runningPop_ = StartProgram(Installed(kEditionPop), "");
        ASSERT_TRUE(WaitForStart(kWebUi, kRecordLimitMs));
        ASSERT_TRUE(WaitForStart(kEditionPop, kRecordLimitMs));
        ClearRecords();
    }

    void Start(const std::string& tail = "")
    {
        program_ = StartProgram(TestFolderPath("pellis_811.exe"), tail);
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

    // Files of a published release's download area that differ from the installed ones.
    std::vector<std::string> DifferingFrom(const std::string& release)
    {
        std::vector<std::string> differing;
        for (const std::string& file : ListFiles(Release(release + "\\download"))) {
            if (ReadOr(Installed(file), "(missing)") != ReadOr(Release(release + "\\download\\" + file), ""))
                differing.push_back(file);
        }
        return differing;
    }

    RunningProgram program_;
    RunningProgram runningWebUi_;
    RunningProgram runningPop_;
};

// Held in the stop step until the test lets go.
class HeldRun : public UpdateRun {
protected:
    void SetUp() override
    {
        UpdateRun::SetUp();
        hold_.reset(::CreateEventA(nullptr, TRUE, FALSE, kHoldStoppingEvent));
        ASSERT_TRUE(hold_.valid());
    }
    void TearDown() override
    {
        LetGo();
        UpdateRun::TearDown();
    }
    // True once the worker is inside its stop step, held at the WebUI program's stopping start.
    bool WaitUntilHeldInStopStep()
    {
        return WaitForStart(std::string(kWebUi) + " -t", kRunLimitMs);
    }
    void LetGo() { ::SetEvent(hold_.get()); }

    UniqueHandle hold_;
};

class PromptedUpdate : public HeldRun {};

TEST_F(PromptedUpdate, ReplacesChangedFilesAndRestartsTheAssistant)
{
    // Shortcuts a user broke since the first installation; the start-menu group is gone.
    ASSERT_TRUE(WriteFileBytes(DesktopShortcut(), "broken"));
    ASSERT_TRUE(WriteFileBytes(QuickLaunchShortcut(), "broken"));
    RemoveTree(StartMenuGroup());
    StartRunningAssistant();
    Start();
    HWND prompt = WaitForAccepted(program_, IsUpdatePrompt, kWindowLimitMs);
    ASSERT_NE(prompt, nullptr) << "no update prompt";
    RECT frame{};
    ::GetWindowRect(prompt, &frame);
    EXPECT_NEAR(frame.left, ::GetSystemMetrics(SM_CXSCREEN) / 2 - (frame.right - frame.left) / 2, 1);
    EXPECT_NEAR(frame.top, ::GetSystemMetrics(SM_CYSCREEN) / 2 - (frame.bottom - frame.top) / 2, 1);
    Click(prompt, IDOK);
    ASSERT_NE(WaitForAccepted(program_, IsProgressDialog, kWindowLimitMs), nullptr);

    // Stopped before anything is copied: the new files wait in the staging folder.
    ASSERT_TRUE(WaitUntilHeldInStopStep());
    EXPECT_EQ(ReadOr(Installed("Config.ini"), ""), ReadOr(Release("old\\download\\Config.ini"), "(missing)"));
    EXPECT_EQ(ReadOr(Installed("DownLoad\\Config.ini"), ""), ReadOr(Release("offer\\download\\Config.ini"), "(missing)"));
    LetGo();

    EXPECT_EQ(WaitForExit(program_, kRunLimitMs), 0u);
    EXPECT_EQ(DifferingFrom("offer"), std::vector<std::string>{}) << "the install folder holds release 1.0.0.3";
    EXPECT_EQ(ListFiles(kStaging), std::vector<std::string>{}) << "the staging folder is emptied";

    const std::vector<std::string> requests = DownloadRequests();
    EXPECT_EQ(Distinct(requests),
              (std::set<std::string>{"Digest.xml", "Digest.xml.sig", "Digest_811.xml", "Digest_811.xml.sig",
                                     "Config.ini", "Data/a.dat", "Script/added.js", "Plugins/Edition811.dll"}));
    EXPECT_EQ(CountOf(requests, "Digest.xml"), 1u);
    EXPECT_EQ(CountOf(requests, "Digest_811.xml"), 1u);
    EXPECT_EQ(CountOf(requests, "Config.ini"), 1u) << "each file crosses the network once";
    // The version query and every download over https share kept-alive
    // connections: at most one tunnel for each download a pass keeps in
    // flight, for the nine tunnelled GETs of this run. Plain http through a proxy is
    // not reused by Wine 8's WinINet (the static-server run of this test), so
    // only the tunnelled GETs count.
    std::vector<LoggedRequest> tunnelled;
    for (const LoggedRequest& request : ReadServerLog()) {
        if (request.listener == "https" && request.method == "GET")
            tunnelled.push_back(request);
    }
    EXPECT_LE(CountConnectionsOfGets(tunnelled), 4u);

    EXPECT_EQ(InstalledVersion(), kNewVersion);
    EXPECT_EQ(StartupValue(), kNoValue) << "an update leaves no start-up value";
    EXPECT_TRUE(UninstallEntryExists());

    // Made again, with every shortcut option as set at start-up.
    const std::string webUi = Installed(kWebUi);
    EXPECT_EQ(ShortcutTarget(DesktopShortcut()), webUi);
    EXPECT_EQ(ShortcutTarget(StartMenuGroup() + "\\" + editionInfo.productName + ".lnk"), webUi);
    EXPECT_EQ(ShortcutTarget(StartMenuGroup() + "\\" + editionInfo.productName + "卸载程序.lnk"),
              Installed(installInfo.uninstallerFileName));
    EXPECT_EQ(ShortcutTarget(QuickLaunchShortcut()), webUi);

    // Stopped ("-t", then ended by name), started again at the very end.
    EXPECT_EQ(WaitForExit(runningWebUi_, kRecordLimitMs), kTerminatedExitCode);
    EXPECT_EQ(WaitForExit(runningPop_, kRecordLimitMs), kTerminatedExitCode);
    EXPECT_EQ(WaitForStarts(6, kRecordLimitMs),
              (std::vector<std::string>{"WebUI_811.exe -t", "LumaroPop_811.exe -t", "LumaroPop.exe -t", "LumaroPop.exe",
                                        "WebUI_811.exe -t", "WebUI_811.exe"}));
}

// Another copy started with "-t" ends the run at once, held right before it
// copies the staged files: the old installation stays whole, and the next
// start brings the update.
TEST_F(PromptedUpdate, TerminateOptionEndsTheRunBeforeTheCopyAndTheNextStartUpdates)
{
    Start();
    ASSERT_NE(AcceptPrompt(), nullptr);
    ASSERT_TRUE(WaitUntilHeldInStopStep());
    RunningProgram sender = StartProgram(TestFolderPath("pellis_811.exe"), "-t");
    ASSERT_TRUE(sender.process.valid());
    EXPECT_EQ(WaitForExit(sender, kWindowLimitMs), 0u);
    EXPECT_EQ(WaitForExit(program_, kWindowLimitMs), 0u) << "the running copy did not end";
    LetGo();
    EXPECT_EQ(InstalledVersion(), kOldVersion);
    EXPECT_EQ(DifferingFrom("old"), std::vector<std::string>{}) << "the old installation was touched";

    Start();
    ASSERT_NE(AcceptPrompt(), nullptr);
    EXPECT_EQ(WaitForExit(program_, kRunLimitMs), 0u);
    EXPECT_EQ(InstalledVersion(), kNewVersion);
    EXPECT_EQ(DifferingFrom("offer"), std::vector<std::string>{});
}

class ForcedUpdate : public HeldRun {};

TEST_F(ForcedUpdate, NotifiesTheRunningAssistantAndCompletesWithoutAPrompt)
{
    // A system without the quick-launch bar: the folder is not made for it.
    RemoveTree(QuickLaunchFolder());
    StartRunningAssistant();
    Start();
    HWND first = WaitForAccepted(program_, [](HWND) { return true; }, kWindowLimitMs);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(IsProgressDialog(first)) << "the first window is the progress dialog, no prompt";

    // Both held: the notice's start of the WebUI program with "-t" (not waited
    // for) and the stopping one the worker waits for; the edition's program is
    // not stopped yet.
    ASSERT_TRUE(WaitForStart("WebUI_811.exe -t", kRunLimitMs, 2));
    EXPECT_TRUE(StartsOf(ReadStarts(), kEditionPop).empty());
    LetGo();

    EXPECT_EQ(WaitForExit(program_, kRunLimitMs), 0u);
    EXPECT_EQ(ReadPipeMessages(), std::vector<std::string>{HexOf("KORVA_PopUpdatePopCmd||")});
    EXPECT_EQ(WaitForStarts(7, kRecordLimitMs),
              (std::vector<std::string>{"WebUI_811.exe -t", "WebUI_811.exe -t", "LumaroPop_811.exe -t",
                                        "LumaroPop.exe -t", "LumaroPop.exe", "WebUI_811.exe -t", "WebUI_811.exe"}));
    EXPECT_EQ(InstalledVersion(), kNewVersion);
    EXPECT_EQ(DifferingFrom("force"), std::vector<std::string>{});
    EXPECT_EQ(ShortcutTarget(DesktopShortcut()), Installed(kWebUi));
    EXPECT_EQ(::GetFileAttributesA(QuickLaunchFolder().c_str()), INVALID_FILE_ATTRIBUTES);
}

class Repair : public UpdateRun {};

TEST_F(Repair, BringsBackADeletedFile)
{
    const std::string lost = "Data\\说明.txt";
    ASSERT_TRUE(::DeleteFileA(Installed(lost).c_str()));
    Start("-losefile");
    EXPECT_EQ(WaitForExit(program_, kRunLimitMs), 0u);
    EXPECT_EQ(ReadOr(Installed(lost), "(missing)"), ReadOr(Release("old\\download\\" + lost), ""));
    EXPECT_EQ(DifferingFrom("old"), std::vector<std::string>{});
    EXPECT_EQ(InstalledVersion(), kOldVersion);
    // A repair makes no shortcuts, wherever the shell has a place for one.
    for (const std::string& place : {DesktopShortcut(), StartMenuGroup(), QuickLaunchShortcut()})
        EXPECT_EQ(::GetFileAttributesA(place.c_str()), INVALID_FILE_ATTRIBUTES) << place;
}

class NothingChanged : public HeldRun {};

TEST_F(NothingChanged, ReportsNoUpdateNeededAndFetchesOnlyTheManifests)
{
    Start();
    HWND dialog = AcceptPrompt();
    ASSERT_NE(dialog, nullptr);
    // Both manifest passes are over once the run is held in its stop step.
    ASSERT_TRUE(WaitUntilHeldInStopStep());
    EXPECT_EQ(ItemText(dialog, IDC_STATUS_TEXT), "无需更新");
    EXPECT_EQ(ItemText(dialog, IDC_FILE_PERCENT), "100%");
    EXPECT_EQ(ItemText(dialog, IDC_OVERALL_PERCENT), "100%");
    LetGo();

    EXPECT_EQ(WaitForExit(program_, kRunLimitMs), 0u);
    EXPECT_EQ(DownloadRequests(),
              (std::vector<std::string>{"Digest.xml", "Digest.xml.sig", "Digest_811.xml", "Digest_811.xml.sig"}));
    EXPECT_EQ(InstalledVersion(), kNewVersion);
}

class BrokenManifestSignature : public UpdateRun {};

TEST_F(BrokenManifestSignature, StopsAfterTheFirstManifest)
{
    Start();
    HWND dialog = AcceptPrompt();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitForRequest("Digest.xml", kRunLimitMs));
    Shown shown;
    ASSERT_TRUE(CancelAfterTheWorkerGaveUp(program_, dialog, &shown));
    EXPECT_EQ(shown.status, "正在下载 配置文件");
    EXPECT_EQ(DownloadRequests(), std::vector<std::string>{"Digest.xml"});
    EXPECT_EQ(InstalledVersion(), kOldVersion);
    EXPECT_EQ(DifferingFrom("old"), std::vector<std::string>{});

    // The support desk reads which request failed and why (the release is
    // downloaded over https).
    const std::vector<std::string> log = LogLines(SupportLog());
    ExpectRunFrame(log);
    EXPECT_EQ(LinesWith(log, {"GET https://", "/download/811/Digest.xml: HTTP 200, ", " bytes, ", " ms, received"}).size(), 1u);
    EXPECT_EQ(LinesWith(log, {"manifest refused: ", "signature", "/download/811/Digest.xml"}).size(), 1u);
    EXPECT_EQ(LinesWith(log, {"run mode: update"}).size(), 1u);
    EXPECT_EQ(LinesWith(log, {"the run gave up"}).size(), 1u);
}

// A run that finds its log at the cap moves it to the older generation and
// starts a fresh one with its own lines.
TEST_F(BrokenManifestSignature, ALogAtItsCapGivesWayToAFreshOne)
{
    const std::string filler = "2026-01-01 00:00:00.000 [1] an event of an earlier run\r\n";
    std::string earlier;
    while (earlier.size() + filler.size() <= kSupportLogCap)
        earlier += filler;
    ASSERT_TRUE(WriteFileBytes(SupportLog(), earlier));

    Start();
    HWND dialog = AcceptPrompt();
    ASSERT_NE(dialog, nullptr);
    Shown shown;
    ASSERT_TRUE(CancelAfterTheWorkerGaveUp(program_, dialog, &shown));

    EXPECT_EQ(ReadOr(OlderGenerationPath(SupportLog()), "(missing)"), earlier);
    const std::vector<std::string> log = LogLines(SupportLog());
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.front().find("] start: "), std::string::npos) << log.front();
    EXPECT_TRUE(LinesWith(log, {"an event of an earlier run"}).empty());
    ExpectRunFrame(log);
}

class WrongComponentContent : public UpdateRun {};

TEST_F(WrongComponentContent, IsNotAcceptedAnywhere)
{
    Start();
    HWND dialog = AcceptPrompt();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(WaitForItemText(dialog, IDCANCEL, "下载失败", kRunLimitMs));
    Shown shown;
    ASSERT_TRUE(CancelAfterTheWorkerGaveUp(program_, dialog, &shown));
    EXPECT_EQ(shown.status, "下载Script\\added.js 失败");

    const std::string wrong = ReadOr(Release("faults\\wrong-added.js"), "(fixture missing)");
    for (const std::string& file : ListFiles(kInstallFolder)) {
        EXPECT_NE(ReadOr(Installed(file), ""), wrong) << file;
        EXPECT_EQ(file.find("added.js"), std::string::npos) << file;
    }
    EXPECT_EQ(CountOf(DownloadRequests(), "Script/added.js"), 5u) << "a rejected body counts as a failed attempt";
    EXPECT_EQ(DifferingFrom("old"), std::vector<std::string>{}) << "nothing was copied into place";
    EXPECT_EQ(InstalledVersion(), kOldVersion);

    const std::vector<std::string> log = LogLines(SupportLog());
    ExpectRunFrame(log);
    // The URL as the program asks for it: the entry's "\\" joined in.
    EXPECT_EQ(LinesWith(log, {"/download/811/Script\\added.js: HTTP 200, ",
                              " ms, failed: refused: digest differs from the manifest's"})
                  .size(),
              5u);
}

class ClimbingManifestEntry : public UpdateRun {};

TEST_F(ClimbingManifestEntry, NothingIsWrittenOutsideTheInstallFolder)
{
    Start();
    HWND dialog = AcceptPrompt();
    ASSERT_NE(dialog, nullptr);
    // The entry counts as a failed download; the pass fetches the others and gives up.
    EXPECT_TRUE(WaitForItemText(dialog, IDCANCEL, "下载失败", kRunLimitMs));
    Shown shown;
    EXPECT_TRUE(CancelAfterTheWorkerGaveUp(program_, dialog, &shown));

    for (const std::string& file : ListFiles("C:\\Program Files (x86)"))
        EXPECT_EQ(file.find("evil.txt"), std::string::npos) << file;
    for (const std::string& path : DownloadRequests())
        EXPECT_EQ(path.find("evil.txt"), std::string::npos) << "requested " << path;
    EXPECT_EQ(InstalledVersion(), kOldVersion);

    const std::vector<std::string> log = LogLines(SupportLog());
    ExpectRunFrame(log);
    EXPECT_EQ(LinesWith(log, {"manifest entry refused (leaves the install folder or lists no digest): ", "evil.txt"}).size(),
              1u);
}

class FileInUse : public UpdateRun {};

TEST_F(FileInUse, EndsWithTheMessageAndLeavesTheRegistryAlone)
{
    UniqueHandle held(::CreateFileA(Installed("Config.ini").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.valid());
    Start();
    ASSERT_NE(AcceptPrompt(), nullptr);
    HWND box = WaitForMessageBox(program_, editionInfo.productName, kRunLimitMs);
    ASSERT_NE(box, nullptr) << "no message box captioned " << editionInfo.productName;
    EXPECT_EQ(MessageBoxText(box), "更新失败，助手文件被占用，请关闭占用重新更新!");
    Click(box, IDOK);
    EXPECT_EQ(WaitForExit(program_, kWindowLimitMs), 0u);

    EXPECT_EQ(InstalledVersion(), kOldVersion);
    EXPECT_FALSE(UninstallEntryExists());
    EXPECT_EQ(StartupValue(), Installed("LumaroPop_811.exe"));
    EXPECT_TRUE(StartsOf(ReadStarts(), kCommonPop).empty()) << "the assistant is not started";
}

}  // namespace
