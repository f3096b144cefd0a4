#include "system/folder_tree.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

#include "system/split_string.h"
#include "system/support_log.h"

bool CreateFolderTree(const std::string& path)
{
    const std::vector<std::string> pieces = SplitString(path, "\\");
    if (::PathIsDirectoryA(path.c_str()))
        return true;
    std::string prefix = pieces.front();
    for (size_t i = 1; i < pieces.size(); ++i) {
        prefix += "\\" + pieces[i];
        if (::PathIsDirectoryA(prefix.c_str()) || ::CreateDirectoryA(prefix.c_str(), nullptr))
            continue;
        LogEvent("folder not created: %s, error %lu", prefix.c_str(), ::GetLastError());
        return false;
    }
    return true;
}
