#include "system/folder_tree.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

#include "system/split_string.h"

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
        const int error = static_cast<int>(::GetLastError());
        const std::string diagnostic = "创建文件夹失败 Path=" + prefix + ", errcode=" + std::to_string(error);
        ::OutputDebugStringA(diagnostic.c_str());
        return false;
    }
    return true;
}
