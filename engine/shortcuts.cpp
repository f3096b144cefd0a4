#include "engine/shortcuts.h"

#include <shlobj.h>

#include <string>

#include "engine/config.h"
#include "engine/progress_view.h"
#include "res/resource.h"
#include "system/folder_tree.h"
#include "system/handles.h"
#include "system/link_checks.h"
#include "system/shell_link.h"
#include "system/support_log.h"

namespace {

// The desktop folder's path buffer is larger than MAX_PATH on purpose: the
// shell may hand back long all-users paths.
constexpr size_t kDesktopPathCapacity = 1024;

bool SpecialFolderPath(int csidl, char* buffer)
{
    LPITEMIDLIST itemList = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &itemList)))
        return false;
    const bool found = ::SHGetPathFromIDListA(itemList, buffer) != FALSE;
    ::CoTaskMemFree(itemList);
    return found;
}

// The quick-launch folder lies in the user's own profile, where the user may
// have planted a link: the shortcut is never saved through one. A link in the
// shortcut's place is removed (its name only), so the save makes a new file.
bool CanWriteUserShortcut(const std::string& folder, const std::string& linkName)
{
    if (!IsPlainFolder(ReadLinkFacts(folder)))
        return false;
    const std::string path = folder + "\\" + linkName;
    const LinkFacts existing = ReadLinkFacts(path);
    return !existing.exists || IsPlainFile(existing) || ::DeleteFileA(path.c_str()) != FALSE;
}

void PlaceShortcut(const std::string& target, const std::string& folder, const std::string& linkName)
{
    const bool saved = CreateShortcut(target, folder, linkName);
    LogEvent("shortcut %s: %s\\%s", saved ? "created" : "NOT created", folder.c_str(), linkName.c_str());
}

}  // namespace

void CreateShortcuts(HWND dialog)
{
    ScopedComInit com;
    const std::string target = installInfo.installPath + "\\" + installInfo.webUiFileName;
    const std::string linkName = editionInfo.productName + ".lnk";

    if (desktopShortcut) {
        SetDialogItemText(dialog, IDC_STATUS_TEXT, "创建桌面快捷方式");
        char desktop[kDesktopPathCapacity] = {};
        if (SpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY, desktop))
            PlaceShortcut(target, desktop, linkName);
    }

    if (startMenuShortcut) {
        char programs[MAX_PATH] = {};
        ::SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs);
        const std::string group = std::string(programs) + "\\" + editionInfo.installSubPath;
        CreateFolderTree(group);
        PlaceShortcut(target, group, linkName);
        PlaceShortcut(installInfo.installPath + "\\" + installInfo.uninstallerFileName, group,
                       editionInfo.productName + "卸载程序.lnk");
        NotifyFolderCreated(group);
    }

    if (quickLaunchShortcut) {
        SetDialogItemText(dialog, IDC_STATUS_TEXT, "创建快速启动选项");
        LPITEMIDLIST appData = nullptr;
        std::string quickLaunch;
        // Not created when missing: only systems that have the bar get the shortcut.
        if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &appData)) &&
            GetQuickLaunchFolder(appData, &quickLaunch) && CanWriteUserShortcut(quickLaunch, linkName))
            PlaceShortcut(target, quickLaunch, linkName);
    }
}
