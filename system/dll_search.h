// Where the program's DLLs come from. It runs with administrator rights and is
// usually started from a browser's download folder, where anyone may have left
// a DLL named like a system one; the loader would look there first.
#pragma once

#include <windows.h>

// Limits the DLL search of everything loaded from now on (our own delay-loaded
// imports, COM servers, GDI+, what system DLLs load in turn) to the system
// folder. The first thing the program does. Also installs the delay-load hook
// that brings comctl32, crypt32, gdiplus, wininet and wintrust (not KnownDLLs
// on every supported Windows) from the system folder on their first use.
void RestrictDllSearch();

// `name` ("wininet.dll") from the system folder only, its own dependencies
// looked for there first; null when it cannot be loaded.
HMODULE LoadSystemLibrary(const char* name);
