// Folders of the install tree.
#pragma once

#include <string>

struct CUpdateContext;

// Makes sure the folder `path` exists, creating missing folders from the
// outside in. The first component ("C:") is never created, and doubled or
// trailing backslashes do not matter. False at the first folder that cannot
// be created (a diagnostic goes to the debugger); folders made before stay.
bool CreateFolderTree(const std::string& path);

// The four sub-folders of the install folder, the staging folder and its copy
// of the four. Failures are ignored: they surface as failed downloads later.
bool CreateInstallFolders(const CUpdateContext& context);
