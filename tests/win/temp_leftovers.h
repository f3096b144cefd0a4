// The folders FreshTempFolder leaves in the temporary folder, and whether the
// system has been asked to delete a path at the next restart.
#pragma once

#include <string>
#include <vector>

// Full paths of the "pellis-*" folders in the temporary folder.
std::vector<std::string> FreshFoldersInTemp();

// True when `path` is listed for deletion at the next restart.
bool DeletedAtRestart(const std::string& path);
