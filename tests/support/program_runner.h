// Starts the program under test and watches its windows, for end-to-end tests
// that run inside the same Wine prefix as the program.
#pragma once

#include <windows.h>

#include <string>

#include "system/handles.h"
#include "tests/support/window_search.h"

// Where run-in-prefix.sh --install puts files.
std::string TestFolderPath(const std::string& fileName);

struct RunningProgram {
    UniqueHandle process;
    DWORD processId = 0;
};

// Starts `exe` with the command-line tail given byte for byte ("-t " keeps its
// blank), in `workingFolder` (empty: this process's own).
RunningProgram StartProgram(const std::string& exe, const std::string& tail,
                            const std::string& workingFolder = std::string());

// The exit code, or STILL_ACTIVE when the process is still running after `ms`.
DWORD WaitForExit(const RunningProgram& program, DWORD ms);

// The first visible top-level window of the process with that title, or null after `ms`.
HWND WaitForWindow(const RunningProgram& program, const std::string& title, DWORD ms);

// A message box of the process with that caption, or null after `ms`.
HWND WaitForMessageBox(const RunningProgram& program, const std::string& caption, DWORD ms);

// The text a message box shows.
std::string MessageBoxText(HWND box);

// The id of a message box's text control.
constexpr int kMessageBoxTextId = 0xFFFF;

// Whether the window is a visible window of the process.
bool IsVisibleWindowOf(const RunningProgram& program, HWND window);

// The first visible top-level window of the process that `accept` (any
// callable taking an HWND) takes, looked for every `pollMs`, or null after
// `ms` (0: look once).
template <typename Accept>
HWND WaitForAccepted(const RunningProgram& program, Accept accept, DWORD ms, DWORD pollMs = 50)
{
    return WaitForTopWindow([&](HWND window) { return IsVisibleWindowOf(program, window) && accept(window); }, ms,
                            pollMs);
}

// The text of a dialog's control.
std::string ItemText(HWND dialog, int id);

// Whether the control's text becomes `text` within `ms`.
bool WaitForItemText(HWND dialog, int id, const std::string& text, DWORD ms);

// A button click as the dialog gets it from the mouse, posted.
void Click(HWND dialog, int id);

// Waits for the process to end; the exit code, or STILL_ACTIVE after `ms`.
// Sets *sawWindow when the process showed any visible top-level window meanwhile.
DWORD WaitForExitWithoutWindows(const RunningProgram& program, DWORD ms, bool* sawWindow);
