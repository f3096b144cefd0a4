#include "tests/e2e/shortcut_files.h"

#include <windows.h>
#include <shlobj.h>

#include "engine/config.h"
#include "system/handles.h"
#include "tests/support/test_files.h"

namespace {

std::string SpecialFolder(int csidl)
{
    char path[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

}  // namespace

std::string QuickLaunchFolder()
{
    return SpecialFolder(CSIDL_APPDATA) + "\\Microsoft\\Internet Explorer\\Quick Launch";
}

std::string DesktopShortcut()
{
    return SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\" + editionInfo.productName + ".lnk";
}

std::string StartMenuGroup()
{
    return SpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\" + editionInfo.installSubPath;
}

std::string QuickLaunchShortcut()
{
    return QuickLaunchFolder() + "\\" + editionInfo.productName + ".lnk";
}

void MakeQuickLaunchFolder()
{
    MakeFolders(QuickLaunchFolder());
}

std::string ShortcutTarget(const std::string& linkPath)
{
    ScopedComInit com;
    IShellLinkA* link = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&link))))
        return "(no link object)";
    std::string target = "(unreadable)";
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t widePath[MAX_PATH] = {};
        ::MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, widePath, MAX_PATH);
        char path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(widePath, STGM_READ)) && SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0)))
            target = path;
        file->Release();
    }
    link->Release();
    return target;
}
