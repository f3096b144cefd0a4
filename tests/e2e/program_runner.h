// Starts the program under test and watches its windows, for end-to-end tests
// that run inside the same Wine prefix as the program.
#pragma once

#include <windows.h>

#include <string>

#include "system/handles.h"

// Where run-in-prefix.sh --install puts files.
std::string TestFolderPath(const std::string& fileName);

struct RunningProgram {
    UniqueHandle process;
    DWORD processId = 0;
};

// Starts `exe` with the command-line tail given byte for byte ("-t " keeps its blank).
RunningProgram StartProgram(const std::string& exe, const std::string& tail);

// The exit code, or STILL_ACTIVE when the process is still running after `ms`.
DWORD WaitForExit(const RunningProgram& program, DWORD ms);

// The first visible top-level window of the process with that title, or null after `ms`.
HWND WaitForWindow(const RunningProgram& program, const std::string& title, DWORD ms);

// A message box of the process with that caption, or null after `ms`.
HWND WaitForMessageBox(const RunningProgram& program, const std::string& caption, DWORD ms);

// The text a message box shows.
std::string MessageBoxText(HWND box);

// Waits for the process to end; the exit code, or STILL_ACTIVE after `ms`.
// Sets *sawWindow when the process showed any visible top-level window meanwhile.
DWORD WaitForExitWithoutWindows(const RunningProgram& program, DWORD ms, bool* sawWindow);
