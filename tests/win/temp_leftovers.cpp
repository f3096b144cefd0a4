#include "tests/win/temp_leftovers.h"

#include <windows.h>

#include "system/handles.h"
#include "system/registry.h"

namespace {

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingRenames[] = "PendingFileRenameOperations";

}  // namespace

std::string SystemTempFolder()
{
    char windows[MAX_PATH] = {};
    ::GetSystemWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows) + "\\Temp\\";
}

std::vector<std::string> FreshFoldersInTemp()
{
    std::vector<std::string> folders;
    WIN32_FIND_DATAA entry;
    FindHandle listing(::FindFirstFileA((SystemTempFolder() + "pellis-*").c_str(), &entry));
    if (!listing)
        return folders;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            folders.push_back(SystemTempFolder() + entry.cFileName);
    } while (::FindNextFileA(listing.get(), &entry));
    return folders;
}

// The list holds pairs "\??\<source>", "<target>"; an empty target deletes.
bool DeletedAtRestart(const std::string& path)
{
    RegKey key = OpenRegistryKey(HKEY_LOCAL_MACHINE, kSessionManager, KEY_READ);
    DWORD size = 0;
    if (!key || ::RegQueryValueExA(key.get(), kPendingRenames, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return false;
    std::string list(size + 2, '\0');
    if (::RegQueryValueExA(key.get(), kPendingRenames, nullptr, nullptr, reinterpret_cast<BYTE*>(&list[0]), &size) !=
        ERROR_SUCCESS)
        return false;
    const std::string wanted = "\\??\\" + path;
    for (size_t at = 0; at < size && list[at] != '\0';) {
        const std::string source = list.c_str() + at;
        at += source.size() + 1;
        const std::string target = list.c_str() + at;
        at += target.size() + 1;
        if (target.empty() && ::lstrcmpiA(source.c_str(), wanted.c_str()) == 0)
            return true;
    }
    return false;
}
