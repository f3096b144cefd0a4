// The folders FreshTempFolder leaves in the system's temporary folder, and
// whether the system has been asked to delete a path at the next restart.
#pragma once

#include <string>
#include <vector>

// The Windows folder's "Temp", with a trailing backslash.
std::string SystemTempFolder();

// Full paths of the "pellis-*" folders in SystemTempFolder().
std::vector<std::string> FreshFoldersInTemp();

// True when `path` is listed for deletion at the next restart.
bool DeletedAtRestart(const std::string& path);
