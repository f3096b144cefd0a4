// The older generation of the assistant, an installer package that a first
// installation removes before anything else.
#pragma once

#include <windows.h>

// Runs "msiexec.exe /X{code} /quiet" hidden and waits for it, renaming the
// running downloader's file in the working folder to "Tiroupdate.exe" around
// it and to its edition name afterwards; empties "killprocess.vbs". The file
// steps run only when the working folder is the downloader's own folder, and
// act only on plain files there (no reparse point, one name). Nothing happens
// for an edition without an old product code. Always true.
bool RemoveOldGeneration(HWND dialog);
