// The fixed folders of an installation.
#pragma once

struct CUpdateContext;

// The four sub-folders of the install folder, the staging folder and its copy
// of the four. Failures are ignored: they surface as failed downloads later.
bool CreateInstallFolders(const CUpdateContext& context);
