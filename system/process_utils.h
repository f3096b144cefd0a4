// Finding and ending processes by image name. Used to get Internet Explorer
// and the assistant's own programs out of the way before files are replaced.
#pragma once

#include <windows.h>

#include <string>

// The exit code a terminated process gets.
constexpr UINT kTerminatedExitCode = static_cast<UINT>(-9);

// True, with its id, when an "iexplore.exe" runs (first in the process list).
bool FindProcess(DWORD* processId);

// Terminates the process with that id; with 0, the first "iexplore.exe", if any.
// Does not wait for it to end. Always true.
bool KillProcess(DWORD processId);

// Terminates every process whose image name equals `name`, ignoring case: a
// second copy of an assistant program holds its files as firmly as the first.
// Does not wait for them to end. Always true.
bool KillProcessByName(const std::string& name);
