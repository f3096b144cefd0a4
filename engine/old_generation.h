// The older generation of the assistant, an installer package that a first
// installation removes before anything else.
#pragma once

#include <windows.h>

#include <string>

// How Windows Installer is started to remove a product: the system folder's
// "msiexec.exe" by full path, working in the system folder, never found by a
// search that would look in this program's own and working folder first (a
// browser's download folder). `program` is empty when the system folder
// cannot be read; nothing is started then.
struct InstallerLaunch {
    std::string program;
    std::string parameters;  // "/X{code} /quiet"
    std::string folder;
};
InstallerLaunch OldGenerationRemoval(const std::string& productCode);

// Runs OldGenerationRemoval's command hidden and waits for it, renaming the
// running downloader's file in the working folder to "Tiroupdate.exe" around
// it and to its edition name afterwards; empties "killprocess.vbs". The file
// steps run only when the working folder is the downloader's own folder, and
// act only on plain files there (no reparse point, one name). Nothing happens
// for an edition without an old product code. Always true.
bool RemoveOldGeneration(HWND dialog);
