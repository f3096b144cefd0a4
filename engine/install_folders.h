// The install folder and the fixed folders of an installation.
#pragma once

#include <string>

struct CUpdateContext;

// Whether the folder the user chose may hold the assistant: one that does not
// exist yet (it will be created protected), Program Files or a folder below
// it, or an existing folder that is no reparse point and that only SYSTEM and
// the administrators may modify.
bool IsAcceptableInstallFolder(const std::string& path);

// The four sub-folders of the install folder, the staging folder and its copy
// of the four. Failures are ignored: they surface as failed downloads later.
bool CreateInstallFolders(const CUpdateContext& context);
