#include "system/folder_tree.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

#include "system/folder_security.h"
#include "system/split_string.h"
#include "system/support_log.h"

namespace {

bool CreateTree(const std::string& path, bool protectTopmost)
{
    const std::vector<std::string> pieces = SplitString(path, "\\");
    if (::PathIsDirectoryA(path.c_str()))
        return true;
    std::string prefix = pieces.front();
    bool created = false;
    for (size_t i = 1; i < pieces.size(); ++i) {
        prefix += "\\" + pieces[i];
        if (::PathIsDirectoryA(prefix.c_str()))
            continue;
        // The folders below the topmost one inherit its protection.
        const bool made = protectTopmost && !created ? CreateProtectedFolder(prefix)
                                                     : ::CreateDirectoryA(prefix.c_str(), nullptr) != FALSE;
        if (made) {
            created = true;
            continue;
        }
        LogEvent("folder not created: %s, error %lu", prefix.c_str(), ::GetLastError());
        return false;
    }
    return true;
}

}  // namespace

bool CreateFolderTree(const std::string& path)
{
    return CreateTree(path, false);
}

bool CreateProtectedFolderTree(const std::string& path)
{
    return CreateTree(path, true);
}
