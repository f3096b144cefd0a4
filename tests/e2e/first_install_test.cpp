// First installations of the real program under Wine against pellis-server,
// driven through the wizard's windows: the query dialog, the install and
// options dialogs, and the progress dialog the run ends in. The server serves
// release 1.0.0.1 made by make-update-releases.sh from the stand-ins of the
// assistant's programs; each suite is one server set-up in a fresh prefix
// (see tests/CMakeLists.txt).
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/edition.h"
#include "engine/config.h"
#include "engine/content_digest.h"
#include "engine/manifest.h"
#include "engine/registry_paths.h"
#include "res/resource.h"
#include "system/handles.h"
#include "system/log_line.h"
#include "system/process_utils.h"
#include "tests/e2e/shortcut_files.h"
#include "tests/stand_ins/assistant_stand_in.h"
#include "tests/support/assistant_records.h"
#include "tests/support/program_runner.h"
#include "tests/support/server_log.h"
#include "tests/support/support_log_text.h"
#include "tests/support/test_files.h"
#include "tests/support/wait_until.h"
#include "tests/support/window_search.h"

namespace {

constexpr DWORD kRunLimitMs = 120000;
constexpr DWORD kWindowLimitMs = 60000;
constexpr DWORD kRecordLimitMs = 30000;
constexpr DWORD kPaintLimitMs = 10000;
const char kProgram[] = "pellis_811.exe";  // the name its support log is kept under
const char kVersion[] = "1.0.0.1";
const char kBankHost[] = "ebank.aldmoor.example";
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kNoValue[] = "(none)";
const char kBrowser[] = "iexplore.exe";

// Where make-update-releases.sh published, as a Windows path.
std::string Release(const std::string& relative)
{
    const char* releases = std::getenv("PELLIS_UPDATE_RELEASES");
    return WindowsPathOf(releases ? releases : "/nonexistent") + "\\" + relative;
}

std::string SpecialFolder(int csidl)
{
    char path[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// The folder the options dialog proposes (this test is a 32-bit program too).
std::string InstallFolder()
{
    return SpecialFolder(CSIDL_PROGRAM_FILES) + "\\" + editionInfo.installSubPath;
}

std::string Installed(const std::string& relative)
{
    return InstallFolder() + "\\" + relative;
}

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A manifest's UTF-8 text as the 8-bit path the file API takes here.
std::string AnsiOf(const std::string& utf8)
{
    std::wstring wide(utf8.size() + 1, L'\0');
    wide.resize(::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], static_cast<int>(wide.size())));
    std::string ansi(wide.size() * 2 + 1, '\0');
    ansi.resize(::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &ansi[0], static_cast<int>(ansi.size()), nullptr,
                                      nullptr));
    return ansi.c_str();
}

std::string ReadText(const std::string& keyPath, REGSAM view, const std::string& name)
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
        return kNoValue;
    RegKey key(opened);
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1;
    return ::RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) ==
                   ERROR_SUCCESS
               ? buffer
               : kNoValue;
}

// --- the wizard's windows: all captioned with the downloader's title, told
// apart by the controls of their templates.

bool Has(HWND window, int id)
{
    return ::GetDlgItem(window, id) != nullptr;
}

bool Shown(HWND window, int id)
{
    return ::IsWindowVisible(::GetDlgItem(window, id)) != FALSE;
}

enum class Page { Query, Install, Options, Progress, MessageBox };

bool IsPage(HWND window, Page page)
{
    switch (page) {
    case Page::Query:
        return Has(window, IDC_QUERY_STATUS);
    case Page::Install:
        return Has(window, IDOK) && !Has(window, kMessageBoxTextId) && !Has(window, IDC_INSTALL_FOLDER) &&
               !Has(window, IDC_STATUS_TEXT) && !Has(window, IDC_QUERY_STATUS);
    case Page::Options:
        return Has(window, IDC_INSTALL_FOLDER);
    case Page::Progress:
        return Has(window, IDC_STATUS_TEXT);
    case Page::MessageBox:
        return Has(window, kMessageBoxTextId);
    }
    return false;
}

HWND WaitForPage(const RunningProgram& program, Page page, DWORD ms = kWindowLimitMs)
{
    return WaitForAccepted(
        program,
        [&](HWND window) {
            char title[256] = {};
            ::GetWindowTextA(window, title, sizeof title);
            return editionInfo.downloaderTitle == title && IsPage(window, page);
        },
        ms);
}

bool WaitForLog(const std::string& text)
{
    return WaitUntil([&] { return SupportLogText(kProgram).find(text) != std::string::npos; }, kWindowLimitMs, 100);
}

// Where a window of that rectangle's size is centred on the work area, as
// this process (a program of the same desktop) sees it.
POINT WorkAreaCentre(const RECT& window)
{
    RECT area{};
    EXPECT_TRUE(::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0));
    return POINT{area.left + (area.right - area.left) / 2 - (window.right - window.left) / 2,
                 area.top + (area.bottom - area.top) / 2 - (window.bottom - window.top) / 2};
}

// A check box toggles and tells its dialog, as under the mouse.
void Toggle(HWND dialog, int id)
{
    ::SendMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool Checked(HWND dialog, int id)
{
    return ::SendMessageA(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

size_t QueryCount()
{
    return CountProxiedRequests(ReadServerLog(), kBankHost);
}

bool WaitForQueries(size_t count)
{
    return WaitUntil([&] { return QueryCount() >= count; }, kWindowLimitMs, 100);
}

class FirstInstall : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetupEdition();
        ClearRecords();
        // A first installation: no product key, whatever an earlier case of the suite left.
        ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, ProductKeyPath().c_str(), KEY_WOW64_32KEY, 0);
        char temp[MAX_PATH + 1] = {};
        ::GetTempPathA(sizeof temp, temp);
        ::DeleteFileA(SupportLogPath(temp, "pellis_811.exe").c_str());
        MakeQuickLaunchFolder();
    }
    void TearDown() override
    {
        for (RunningProgram* program : {&program_, &browser_}) {
            if (program->process.valid() && WaitForExit(*program, 0) == STILL_ACTIVE)
                ::TerminateProcess(program->process.get(), 1);
        }
        for (const std::string& name : {installInfo.webUiFileName, std::string("LumaroPop_811.exe"),
                                        std::string("LumaroPop.exe")})
            TerminateAll(name);
    }

    void Start()
    {
        program_ = StartProgram(TestFolderPath("pellis_811.exe"), "");
        ASSERT_TRUE(program_.process.valid());
    }

    // The options dialog reached with Install; null when it did not come.
    HWND OpenOptions()
    {
        HWND install = WaitForPage(program_, Page::Install);
        if (install == nullptr)
            return nullptr;
        Click(install, IDOK);
        return WaitForPage(program_, Page::Options);
    }

    // The message box the program shows now, answered with `button`; its text.
    std::string Answer(int button)
    {
        HWND box = WaitForPage(program_, Page::MessageBox);
        if (box == nullptr)
            return "(no message box)";
        const std::string text = MessageBoxText(box);
        Click(box, button);
        return text;
    }

    void ExpectCompleteInstallation()
    {
        // Byte for byte what was published, both manifests included, and
        // every file as its manifest's digest says.
        const std::vector<std::string> published = ListFiles(Release("old\\download"));
        ASSERT_FALSE(published.empty());
        for (const std::string& file : published) {
            std::string installed;
            std::string expected;
            ASSERT_TRUE(ReadFileBytes(Release("old\\download\\" + file), &expected));
            EXPECT_TRUE(ReadFileBytes(Installed(file), &installed) && installed == expected) << file;
        }
        for (const char* manifest : {"Digest.xml", "Digest_811.xml"}) {
            const std::vector<ListedFile> entries = ReadManifestFile(Installed(manifest));
            EXPECT_FALSE(entries.empty()) << manifest;
            for (const ListedFile& entry : entries) {
                const std::string relative = AnsiOf(entry.path.empty() ? entry.fileName
                                                                        : entry.path + "\\" + entry.fileName);
                std::string digest;
                EXPECT_TRUE(DigestOfFile(Installed(relative), &digest)) << relative;
                EXPECT_EQ(digest, entry.digest) << relative;
            }
        }

        const std::string product = ProductKeyPath();
        EXPECT_EQ(ReadText(product, KEY_WOW64_32KEY, "Version"), kVersion);
        EXPECT_EQ(ReadText(product, KEY_WOW64_32KEY, "Path"), InstallFolder());
        EXPECT_EQ(ReadText(product, KEY_WOW64_32KEY, "BankID"), "811");
        const std::string uninstall = kUninstallRoot + editionInfo.productName;
        EXPECT_EQ(ReadText(uninstall, KEY_WOW64_32KEY, "UninstallString"),
                  "\"" + Installed(installInfo.uninstallerFileName) + "\"");
        EXPECT_EQ(ReadText(uninstall, KEY_WOW64_32KEY, "Publisher"), "Velmora科技股份有限公司");
        EXPECT_EQ(ReadText(uninstall, KEY_WOW64_32KEY, "DisplayName"), editionInfo.productName);
        EXPECT_EQ(ReadText(uninstall, KEY_WOW64_32KEY, "DisplayVersion"), kVersion);
        EXPECT_EQ(ReadText(uninstall, KEY_WOW64_32KEY, "DisplayIcon"), Installed(installInfo.webUiFileName));
        EXPECT_EQ(ReadText(kRunKey, KEY_WOW64_64KEY, editionInfo.productName),
                  "\"" + Installed("LumaroPop_811.exe") + "\"");
    }

    RunningProgram program_;
    RunningProgram browser_;
};

// --- the defaults

class DefaultInstall : public FirstInstall {};

TEST_F(DefaultInstall, InstallsFilesRegistryShortcutsAndStartsTheAssistant)
{
    Start();
    HWND query = WaitForPage(program_, Page::Query);
    ASSERT_NE(query, nullptr);
    HWND options = OpenOptions();
    ASSERT_NE(options, nullptr);
    EXPECT_FALSE(::IsWindowVisible(query)) << "the query dialog hides while the wizard runs";
    EXPECT_EQ(ItemText(options, IDC_SHORTCUT_HEADING), "创建" + editionInfo.productName + "的快捷方式在：");
    EXPECT_EQ(ItemText(options, IDC_INSTALL_FOLDER), InstallFolder());
    EXPECT_FALSE(Shown(options, IDC_QUICK_LAUNCH_BOX));
    EXPECT_FALSE(Shown(options, IDC_AUTO_START_BOX));
    for (int box : {IDC_START_MENU_BOX, IDC_DESKTOP_BOX, IDC_QUICK_LAUNCH_BOX, IDC_AUTO_START_BOX})
        EXPECT_TRUE(Checked(options, box)) << box;

    Click(options, IDOK);
    EXPECT_NE(WaitForPage(program_, Page::Progress), nullptr);
    ASSERT_EQ(WaitForExit(program_, kRunLimitMs), 0u);
    ExpectCompleteInstallation();

    const std::string webUi = Installed(installInfo.webUiFileName);
    EXPECT_EQ(ShortcutTarget(DesktopShortcut()), webUi);
    EXPECT_EQ(ShortcutTarget(StartMenuGroup() + "\\" + editionInfo.productName + ".lnk"), webUi);
    EXPECT_EQ(ShortcutTarget(StartMenuGroup() + "\\" + editionInfo.productName + "卸载程序.lnk"),
              Installed(installInfo.uninstallerFileName));
    EXPECT_EQ(ShortcutTarget(QuickLaunchShortcut()), webUi);

    // The stop step's stopping starts ("-t"), then the assistant started at
    // the very end: its common program, and the WebUI program stopped and started.
    ASSERT_TRUE(WaitForStart(installInfo.webUiFileName, kRecordLimitMs));
    EXPECT_EQ(ReadStarts(), (std::vector<std::string>{"WebUI_811.exe -t", "LumaroPop_811.exe -t", "LumaroPop.exe -t",
                                                      "LumaroPop.exe", "WebUI_811.exe -t", "WebUI_811.exe"}));
}

// --- a shortcut box cleared: that shortcut is not made, the others are

struct ClearedBox {
    const char* name;
    int box;
    bool desktopShortcut;
    bool startMenuGroup;
    bool quickLaunchShortcut;
};

class ClearedShortcutBox : public FirstInstall, public ::testing::WithParamInterface<ClearedBox> {};

TEST_P(ClearedShortcutBox, LeavesOutItsShortcut)
{
    Start();
    HWND options = OpenOptions();
    ASSERT_NE(options, nullptr);
    Toggle(options, GetParam().box);
    EXPECT_FALSE(Checked(options, GetParam().box));
    Click(options, IDOK);
    ASSERT_EQ(WaitForExit(program_, kRunLimitMs), 0u);
    EXPECT_EQ(ReadText(ProductKeyPath(), KEY_WOW64_32KEY, "Version"), kVersion);
    EXPECT_EQ(Exists(DesktopShortcut()), GetParam().desktopShortcut);
    EXPECT_EQ(Exists(StartMenuGroup()), GetParam().startMenuGroup);
    EXPECT_EQ(Exists(QuickLaunchShortcut()), GetParam().quickLaunchShortcut);
}

INSTANTIATE_TEST_SUITE_P(Boxes, ClearedShortcutBox,
                         ::testing::Values(ClearedBox{"desktop", IDC_DESKTOP_BOX, false, true, true},
                                           ClearedBox{"startMenu", IDC_START_MENU_BOX, true, false, true}),
                         [](const ::testing::TestParamInfo<ClearedBox>& info) { return info.param.name; });

// --- no server: three attempts, then only Cancel

class NoServer : public FirstInstall {};

TEST_F(NoServer, ThreeAttemptsThenCancel)
{
    Start();
    HWND query = WaitForPage(program_, Page::Query);
    ASSERT_NE(query, nullptr);
    for (size_t attempt = 1; attempt <= 3; ++attempt) {
        ASSERT_TRUE(WaitForQueries(attempt)) << "attempt " << attempt;
        const bool retryExpected = attempt < 3;
        // The worker shows Retry before it sets the text: wait for the text,
        // then for the button's final state.
        ASSERT_TRUE(WaitUntil([&] { return ItemText(query, IDC_QUERY_STATUS) == "服务器没响应"; }, kWindowLimitMs))
            << "attempt " << attempt;
        EXPECT_EQ(Shown(query, IDC_QUERY_RETRY), retryExpected) << "attempt " << attempt;
        if (!retryExpected)
            continue;
        Click(query, IDC_QUERY_RETRY);
        // A second click queued behind the first finds the button hidden:
        // it must not start a worker of its own and use up the last retry.
        if (attempt == 1)
            Click(query, IDC_QUERY_RETRY);
    }
    ::Sleep(2000);
    EXPECT_FALSE(Shown(query, IDC_QUERY_RETRY)) << "no retry after the third attempt";
    EXPECT_EQ(QueryCount(), 3u);

    Click(query, IDCANCEL);
    EXPECT_EQ(Answer(IDYES), "是否退出Pellisor安装？");
    EXPECT_EQ(WaitForExit(program_, kWindowLimitMs), 0u);
}

// The first window a customer sees opens in the middle of the work area, not
// in the screen's corner.
TEST_F(NoServer, QueryDialogOpensCentredOnTheWorkArea)
{
    Start();
    HWND query = WaitForPage(program_, Page::Query);
    ASSERT_NE(query, nullptr);
    RECT placed{};
    ::GetWindowRect(query, &placed);
    const POINT centre = WorkAreaCentre(placed);
    EXPECT_EQ(placed.left, centre.x);
    EXPECT_EQ(placed.top, centre.y);
    Click(query, IDCANCEL);
    EXPECT_EQ(Answer(IDYES), "是否退出Pellisor安装？");
    EXPECT_EQ(WaitForExit(program_, kWindowLimitMs), 0u);
}

// --- a download that fails while another waits on a silent server

class FailedDownload : public FirstInstall {};

// Data/a.dat is served by a server that never answers, Tools/tool.txt not at
// all. Once tool.txt has failed the run is over: it gives up while a.dat's
// request is still open (Wine lets a closed request's blocked call run on to
// its time-out; only then does its line reach the support log), and Cancel
// closes without asking whether to give up a download that is not running.
TEST_F(FailedDownload, GivesUpAtOnceAndCancelClosesWithoutAsking)
{
    Start();
    HWND options = OpenOptions();
    ASSERT_NE(options, nullptr);
    Click(options, IDOK);
    HWND progress = WaitForPage(program_, Page::Progress);
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(WaitForItemText(progress, IDCANCEL, "下载失败", kRunLimitMs));
    WaitUntil([] { return SupportLogLinesWith(kProgram, "the run gave up") != 0; }, kRunLimitMs, 100);
    EXPECT_EQ(SupportLogLinesWith(kProgram, "/Data/a.dat:"), 0u) << "the run waited for the silent request";
    size_t silentRequests = 0;
    for (const LoggedRequest& request : ReadServerLog())
        silentRequests += request.path == "/download/811/Data/a.dat" ? 1 : 0;
    EXPECT_EQ(silentRequests, 1u);
    EXPECT_EQ(ItemText(progress, IDC_STATUS_TEXT), "下载tool.txt 失败");

    Click(progress, IDCANCEL);
    EXPECT_EQ(WaitForExit(program_, kWindowLimitMs), 0u) << "Cancel asked instead of closing";
}

// --- an answer that cannot be opened: nothing is shown, only Cancel leads on

class BadAnswer : public FirstInstall {};

TEST_F(BadAnswer, ShowsNothingAndLeavesOnlyCancel)
{
    Start();
    HWND query = WaitForPage(program_, Page::Query);
    ASSERT_NE(query, nullptr);
    // The worker is done with the answer once it has logged its refusal.
    ASSERT_TRUE(WaitForLog("version answer refused"));
    EXPECT_EQ(ItemText(query, IDC_QUERY_STATUS), "正在获取版本信息...");
    EXPECT_FALSE(Shown(query, IDC_QUERY_RETRY));
    EXPECT_TRUE(::IsWindowVisible(query));
    EXPECT_EQ(WaitForPage(program_, Page::MessageBox, 0), nullptr);
    EXPECT_EQ(WaitForPage(program_, Page::Install, 0), nullptr);
    EXPECT_EQ(QueryCount(), 1u);

    Click(query, IDCANCEL);
    EXPECT_EQ(Answer(IDYES), "是否退出Pellisor安装？");
    EXPECT_EQ(WaitForExit(program_, kWindowLimitMs), 0u);
}

// --- a retry that gets an answer goes on to the install dialog

class RetryAnswered : public FirstInstall {};

TEST_F(RetryAnswered, OpensTheInstallDialog)
{
    // The server answers with an empty body until this file exists.
    const char* off = std::getenv("PELLIS_FAULTS_OFF");
    ASSERT_NE(off, nullptr) << "PELLIS_FAULTS_OFF names the file that switches the server's fault off";
    const std::string switchFile = WindowsPathOf(off);
    ::DeleteFileA(switchFile.c_str());

    Start();
    HWND query = WaitForPage(program_, Page::Query);
    ASSERT_NE(query, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ItemText(query, IDC_QUERY_STATUS) == "服务器没响应"; }, kWindowLimitMs));
    ASSERT_TRUE(WaitUntil([&] { return Shown(query, IDC_QUERY_RETRY); }, kWindowLimitMs));
    ASSERT_TRUE(WriteFileBytes(switchFile, "off"));

    Click(query, IDC_QUERY_RETRY);
    HWND install = WaitForPage(program_, Page::Install);
    ASSERT_NE(install, nullptr) << "no install dialog after the answered retry";
    EXPECT_FALSE(::IsWindowVisible(query)) << "the query dialog hides while the wizard runs";
    // The retry may travel in the first query's kept-alive tunnel: count the queries themselves.
    size_t queries = 0;
    for (const LoggedRequest& request : ReadServerLog())
        queries += request.method == "GET" && request.path == "/assist/server";
    EXPECT_EQ(queries, 2u);
    EXPECT_NE(SupportLogText(kProgram).find("version answer: v " + std::string(kVersion)), std::string::npos);
}

// --- placing and moving, going back and forth, refused folders, the browser, "-t"

class DialogPlace : public FirstInstall {};

// The install dialog opens where the query dialog was: centred on the work area.
TEST_F(DialogPlace, InstallOpensCentredOnTheWorkArea)
{
    Start();
    HWND install = WaitForPage(program_, Page::Install);
    ASSERT_NE(install, nullptr);
    RECT placed{};
    ::GetWindowRect(install, &placed);
    const POINT centre = WorkAreaCentre(placed);
    EXPECT_EQ(placed.left, centre.x);
    EXPECT_EQ(placed.top, centre.y);
}

TEST_F(DialogPlace, OptionsOpenWhereTheInstallDialogWas)
{
    Start();
    HWND install = WaitForPage(program_, Page::Install);
    ASSERT_NE(install, nullptr);
    RECT before{};
    ::GetWindowRect(install, &before);
    const POINT moved{before.left + 37, before.top + 23};
    // What a drag does: the window moves, and the dialog hears WM_MOVING.
    ::SetWindowPos(install, nullptr, moved.x, moved.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT dragged{moved.x, moved.y, moved.x + before.right - before.left, moved.y + before.bottom - before.top};
    ::SendMessageA(install, WM_MOVING, WMSZ_TOPLEFT, reinterpret_cast<LPARAM>(&dragged));
    Click(install, IDOK);
    HWND options = WaitForPage(program_, Page::Options);
    ASSERT_NE(options, nullptr);
    RECT placed{};
    ::GetWindowRect(options, &placed);
    EXPECT_EQ(placed.left, moved.x);
    EXPECT_EQ(placed.top, moved.y);
}

// The screen's pixel at `inside` a control equals the one just right of the
// control, on the page, within `ms`: the control lets the picture show.
bool ShowsThePageBehind(HWND control, DWORD ms)
{
    RECT area{};
    ::GetWindowRect(control, &area);
    const int y = (area.top + area.bottom) / 2;
    // The right end of each of these controls holds no text.
    const POINT inside{area.right - 2, y};
    const POINT outside{area.right + 3, y};
    return WaitUntil(
        [&] {
            HDC screen = ::GetDC(nullptr);
            const COLORREF within = ::GetPixel(screen, inside.x, inside.y);
            const COLORREF beside = ::GetPixel(screen, outside.x, outside.y);
            ::ReleaseDC(nullptr, screen);
            return within == beside && within != CLR_INVALID;
        },
        ms, 100);
}

// The heading and the check boxes are drawn over the page's picture, as the
// other dialogs draw their texts, not in boxes of the button face's grey.
TEST_F(DialogPlace, OptionsTextsSitOnThePage)
{
    Start();
    HWND options = OpenOptions();
    ASSERT_NE(options, nullptr);
    for (int id : {IDC_SHORTCUT_HEADING, IDC_START_MENU_BOX, IDC_DESKTOP_BOX})
        EXPECT_TRUE(ShowsThePageBehind(::GetDlgItem(options, id), kPaintLimitMs)) << "control " << id;
}

class BackAndForth : public FirstInstall {};

// A box cleared before Back shows cleared on the next options dialog, and the
// option is honoured: no desktop shortcut.
TEST_F(BackAndForth, NestedDialogsStillInstallWithTheChoicesShown)
{
    Start();
    HWND options = OpenOptions();
    ASSERT_NE(options, nullptr);
    Toggle(options, IDC_DESKTOP_BOX);
    for (int round = 0; round < 2; ++round) {
        Click(options, IDC_OPTIONS_BACK);
        options = OpenOptions();
        ASSERT_NE(options, nullptr) << "round " << round;
        EXPECT_FALSE(Checked(options, IDC_DESKTOP_BOX)) << "round " << round;
        EXPECT_TRUE(Checked(options, IDC_START_MENU_BOX)) << "round " << round;
    }
    Click(options, IDOK);
    ASSERT_EQ(WaitForExit(program_, kRunLimitMs), 0u);
    ExpectCompleteInstallation();
    EXPECT_FALSE(Exists(DesktopShortcut()));
    EXPECT_TRUE(Exists(StartMenuGroup()));
}

class RefusedFolder : public FirstInstall {};

TEST_F(RefusedFolder, MissingDriveIsNotAValidPath)
{
    Start();
    HWND options = OpenOptions();
    ASSERT_NE(options, nullptr);
    const std::string folder = "Q:\\" + editionInfo.installSubPath;
    ::SetDlgItemTextA(options, IDC_INSTALL_FOLDER, folder.c_str());
    Click(options, IDOK);
    EXPECT_EQ(Answer(IDOK), "路径不合法");
    EXPECT_NE(WaitForPage(program_, Page::Options), nullptr) << "the options stay open";
    EXPECT_EQ(ItemText(options, IDC_INSTALL_FOLDER), folder);
    EXPECT_EQ(WaitForPage(program_, Page::Progress, 1000), nullptr);
}

// An existing folder that users may change could have its programs replaced
// before this elevated program or the logon starts them.
TEST_F(RefusedFolder, ExistingFolderThatUsersMayModifyIsNotAValidPath)
{
    const std::string folder = "C:\\Shared Apps";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    Start();
    HWND options = OpenOptions();
    ASSERT_NE(options, nullptr);
    ::SetDlgItemTextA(options, IDC_INSTALL_FOLDER, folder.c_str());
    Click(options, IDOK);
    EXPECT_EQ(Answer(IDOK), "路径不合法");
    EXPECT_NE(WaitForPage(program_, Page::Options), nullptr) << "the options stay open";
    EXPECT_EQ(WaitForPage(program_, Page::Progress, 1000), nullptr);
}

// Drives the prefix declares (tests/CMakeLists.txt): D: a CD-ROM drive, E: a
// removable one; both hold an empty folder that could be written to. A text
// longer than a path may be would be cut to a folder that can be made.
const std::string kLongFolder = "C:\\Aldmoor\\" + std::string(MAX_PATH, 'x');

struct RefusedText {
    const char* name;
    const char* folder;
};

class RefusedFolderText : public FirstInstall, public ::testing::WithParamInterface<RefusedText> {};

TEST_P(RefusedFolderText, IsNotAValidPathAndNothingIsMade)
{
    const std::string folder = GetParam().folder;
    Start();
    HWND options = OpenOptions();
    ASSERT_NE(options, nullptr);
    ::SetDlgItemTextA(options, IDC_INSTALL_FOLDER, folder.c_str());
    Click(options, IDOK);
    EXPECT_EQ(Answer(IDOK), "路径不合法");
    EXPECT_NE(WaitForPage(program_, Page::Options), nullptr) << "the options stay open";
    EXPECT_EQ(ItemText(options, IDC_INSTALL_FOLDER), folder);
    EXPECT_EQ(WaitForPage(program_, Page::Progress, 1000), nullptr);
    EXPECT_FALSE(Exists(folder.substr(0, 3) + "Aldmoor")) << "a folder was made";
}

INSTANTIATE_TEST_SUITE_P(Texts, RefusedFolderText,
                         ::testing::Values(RefusedText{"cdrom", "D:\\Aldmoor\\Pellisor"},
                                           RefusedText{"removable", "E:\\Aldmoor\\Pellisor"},
                                           RefusedText{"uncreatable", "C:\\Aldmoor|\\Pellisor"},
                                           RefusedText{"too_long", kLongFolder.c_str()}),
                         [](const ::testing::TestParamInfo<RefusedText>& info) { return info.param.name; });

// --- Browse: the folder picked, with the sub-path added, becomes the text

class BrowsedFolder : public FirstInstall {};

TEST_F(BrowsedFolder, PickedFolderBecomesTheText)
{
    Start();
    HWND options = OpenOptions();
    ASSERT_NE(options, nullptr);
    const std::string proposed = ItemText(options, IDC_INSTALL_FOLDER);

    // Cancelled, nothing changes.
    Click(options, IDC_BROWSE);
    HWND browser = WaitForOwnedWindow(options, kWindowLimitMs);
    ASSERT_NE(browser, nullptr) << "no folder browser";
    Click(browser, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(browser); }, kWindowLimitMs));
    EXPECT_EQ(ItemText(options, IDC_INSTALL_FOLDER), proposed);

    // Taken as it opens: the browser starts at the desktop.
    Click(options, IDC_BROWSE);
    browser = WaitForOwnedWindow(options, kWindowLimitMs);
    ASSERT_NE(browser, nullptr) << "no folder browser";
    Click(browser, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(browser); }, kWindowLimitMs));
    EXPECT_EQ(ItemText(options, IDC_INSTALL_FOLDER),
              SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + editionInfo.installSubPath);
}

class RunningBrowser : public FirstInstall {};

TEST_F(RunningBrowser, IsClosedAfterTheQuestion)
{
    const std::string browser = TestFolderPath(kBrowser);
    ASSERT_TRUE(::CopyFileA(TestFolderPath("idle_program.exe").c_str(), browser.c_str(), FALSE));
    browser_ = StartProgram(browser, "");
    ASSERT_TRUE(browser_.process.valid());
    Start();
    HWND options = OpenOptions();
    ASSERT_NE(options, nullptr);
    Click(options, IDOK);
    EXPECT_EQ(Answer(IDYES), "安装过程中需关闭IE浏览器，是否继续？");
    EXPECT_EQ(WaitForExit(browser_, kWindowLimitMs), kTerminatedExitCode);
    EXPECT_EQ(WaitForExit(program_, kRunLimitMs), 0u);
}

class TerminateOption : public FirstInstall {};

TEST_F(TerminateOption, EndsTheWizard)
{
    Start();
    ASSERT_NE(WaitForPage(program_, Page::Install), nullptr);
    RunningProgram second = StartProgram(TestFolderPath("pellis_811.exe"), "-t");
    ASSERT_TRUE(second.process.valid());
    EXPECT_EQ(WaitForExit(second, kWindowLimitMs), 0u);
    EXPECT_EQ(WaitForExit(program_, kWindowLimitMs), 0u);
}

// Held in its stop step (the stand-ins started with "-t" wait for the test's
// event), after every file is in place and before anything is registered.
TEST_F(TerminateOption, EndsTheRunningWorkerAndNothingIsRegistered)
{
    UniqueHandle hold(::CreateEventA(nullptr, TRUE, FALSE, kHoldStoppingEvent));
    ASSERT_TRUE(hold.valid());
    Start();
    HWND options = OpenOptions();
    ASSERT_NE(options, nullptr);
    Click(options, IDOK);
    ASSERT_NE(WaitForPage(program_, Page::Progress), nullptr);
    ASSERT_TRUE(WaitForStart(installInfo.webUiFileName + " -t", kRunLimitMs)) << "the run never reached its stop step";

    RunningProgram second = StartProgram(TestFolderPath("pellis_811.exe"), "-t");
    ASSERT_TRUE(second.process.valid());
    EXPECT_EQ(WaitForExit(second, kWindowLimitMs), 0u);
    EXPECT_EQ(WaitForExit(program_, kWindowLimitMs), 0u) << "the running copy did not end";
    ::SetEvent(hold.get());
    EXPECT_EQ(ReadText(ProductKeyPath(), KEY_WOW64_32KEY, "Version"), kNoValue)
        << "an ended installation must not look installed";
}

}  // namespace
