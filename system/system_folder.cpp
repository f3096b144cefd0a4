#include "system/system_folder.h"

#include <windows.h>

std::string SystemFolderPath(const std::string& fileName)
{
    char folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder)
        return std::string();
    return std::string(folder, length) + "\\" + fileName;
}
