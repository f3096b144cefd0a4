#include "ui/option_dlg.h"

#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/config.h"
#include "engine/install_folders.h"
#include "engine/run_mode.h"
#include "res/resource.h"
#include "system/folder_tree.h"
#include "system/process_utils.h"
#include "system/split_string.h"
#include "ui/exit_confirmation.h"
#include "ui/install_dlg.h"
#include "ui/install_folder_text.h"
#include "ui/progress_dlg.h"
#include "ui/skin.h"
#include "ui/window_globals.h"

namespace {

// File-system folders only, no network browsing below the domain, an edit
// box, the resizable new-style dialog.
constexpr UINT kBrowseFlags = 0x53;

struct CoTaskMemDeleter {
    void operator()(ITEMIDLIST* itemList) const { ::CoTaskMemFree(itemList); }
};
using ItemList = std::unique_ptr<ITEMIDLIST, CoTaskMemDeleter>;

// The option each check box stands for.
bool* OptionOfBox(int id)
{
    switch (id) {
    case IDC_QUICK_LAUNCH_BOX:
        return &quickLaunchShortcut;
    case IDC_START_MENU_BOX:
        return &startMenuShortcut;
    case IDC_DESKTOP_BOX:
        return &desktopShortcut;
    case IDC_AUTO_START_BOX:
        return &autoStart;
    }
    return nullptr;
}

// The texts and check boxes, drawn over the page's picture; the folder's edit
// box and the buttons keep their own faces.
bool IsDrawnOverPicture(int id)
{
    return id == IDC_SHORTCUT_HEADING || id == IDC_STATIC || OptionOfBox(id) != nullptr;
}

bool IsRefusedDriveType(UINT type)
{
    return type == DRIVE_NO_ROOT_DIR || type == DRIVE_REMOVABLE || type == DRIVE_CDROM;
}

}  // namespace

COptionDlg::COptionDlg() : CDialog(IDD_OPTIONS) {}

BOOL COptionDlg::OnInitDialog()
{
    HWND dialog = GetSafeHwnd();
    ApplyDialogFrame(dialog);
    ::SetDlgItemTextA(dialog, IDC_SHORTCUT_HEADING, ("创建" + editionInfo.productName + "的快捷方式在：").c_str());
    ::ShowWindow(GetDlgItem(IDC_QUICK_LAUNCH_BOX), SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_AUTO_START_BOX), SW_HIDE);

    // The boxes show the options as they are: an option the user cleared
    // before going Back stays cleared, so a checked box is always honoured.
    autoStart = true;
    for (int box : {IDC_QUICK_LAUNCH_BOX, IDC_START_MENU_BOX, IDC_DESKTOP_BOX, IDC_AUTO_START_BOX})
        ::CheckDlgButton(dialog, box, *OptionOfBox(box) ? BST_CHECKED : BST_UNCHECKED);

    char programFiles[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles);
    ::SetDlgItemTextA(dialog, IDC_INSTALL_FOLDER,
                      (std::string(programFiles) + "\\" + editionInfo.installSubPath).c_str());

    LoadPngResource(&background, editionInfo.optionBackgroundId);
    ShowTopmostAt(dialog, POINT{dialogRect.left, dialogRect.top});
    return TRUE;
}

bool COptionDlg::OnCommand(int id, int notifyCode)
{
    if (notifyCode != BN_CLICKED)
        return false;
    if (bool* option = OptionOfBox(id)) {
        *option = ::IsDlgButtonChecked(GetSafeHwnd(), id) == BST_CHECKED;
        return true;
    }
    switch (id) {
    case IDOK:
        Next();
        return true;
    case IDCANCEL:
        ConfirmExit();
        return true;
    case IDC_OPTIONS_BACK:
        Back();
        return true;
    case IDC_BROWSE:
        Browse();
        return true;
    }
    return false;
}

void COptionDlg::RefusePath()
{
    ::MessageBoxA(GetSafeHwnd(), "路径不合法", editionInfo.downloaderTitle.c_str(), MB_OK);
}

void COptionDlg::Next()
{
    HWND dialog = GetSafeHwnd();
    // The browser holds the assistant's files; it goes only with the user's consent.
    DWORD browser = 0;
    if (FindProcess(&browser)) {
        if (::MessageBoxA(dialog, "安装过程中需关闭IE浏览器，是否继续？", editionInfo.downloaderTitle.c_str(),
                          MB_YESNO) != IDYES)
            return;
        KillProcess(browser);
    }

    // A text longer than a path may be would be cut where it is read, and the
    // run would go into another folder than the one the user sees.
    char text[MAX_PATH] = {};
    if (::GetWindowTextLengthA(::GetDlgItem(dialog, IDC_INSTALL_FOLDER)) >= MAX_PATH) {
        RefusePath();
        return;
    }
    ::GetDlgItemTextA(dialog, IDC_INSTALL_FOLDER, text, sizeof text);
    const std::vector<std::string> pieces = SplitString(text, "\\");
    if (IsRefusedDriveType(::GetDriveTypeA(pieces.front().c_str()))) {
        RefusePath();
        return;
    }
    installInfo.installPath = CollapseDoubledBackslashes(text);
    if (!IsAcceptableInstallFolder(installInfo.installPath) || !CreateProtectedFolderTree(installInfo.installPath)) {
        RefusePath();
        return;
    }

    ::ShowWindow(dialog, SW_HIDE);
    CProgressDlg(kRunModeInstall).DoModal();
    EndDialog(IDCANCEL);
}

void COptionDlg::Back()
{
    ::ShowWindow(GetSafeHwnd(), SW_HIDE);
    CInstallDlg().DoModal();
    EndDialog(IDCANCEL);
}

void COptionDlg::Browse()
{
    // The new-style folder browser needs COM on this thread.
    ScopedComInit com;
    char displayName[MAX_PATH] = {};
    BROWSEINFOA browse{};
    browse.hwndOwner = GetSafeHwnd();
    browse.pszDisplayName = displayName;
    browse.lpszTitle = "选择网银的安装路径:";
    browse.ulFlags = kBrowseFlags;
    ItemList picked(::SHBrowseForFolderA(&browse));
    if (!picked)
        return;
    char path[MAX_PATH] = {};
    if (!::SHGetPathFromIDListA(picked.get(), path))
        path[0] = '\0';
    ::SetDlgItemTextA(GetSafeHwnd(), IDC_INSTALL_FOLDER, (std::string(path) + "\\" + editionInfo.installSubPath).c_str());
}

bool COptionDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result)
{
    switch (message) {
    case WM_PAINT:
        PaintBackground(GetSafeHwnd(), background.get());
        return true;
    case WM_MOVING:
        SaveDialogRect(GetSafeHwnd());
        return false;
    case WM_CTLCOLORSTATIC:
        if (!IsDrawnOverPicture(::GetDlgCtrlID(reinterpret_cast<HWND>(lParam))))
            return false;
        *result = reinterpret_cast<INT_PTR>(ColorTextOverPicture(reinterpret_cast<HDC>(wParam)));
        return true;
    }
    return false;
}
