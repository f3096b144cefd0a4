// Folders of the install tree.
#pragma once

#include <string>

// Makes sure the folder `path` exists, creating missing folders from the
// outside in. The first component ("C:") is never created, and doubled or
// trailing backslashes do not matter. False at the first folder that cannot
// be created (a diagnostic goes to the debugger); folders made before stay.
bool CreateFolderTree(const std::string& path);

// As CreateFolderTree, for an install folder: the topmost folder it creates
// gets kProtectedFolderSddl (folder_security.h), which everything below
// inherits. Folders that exist keep their permissions.
bool CreateProtectedFolderTree(const std::string& path);
