#include "app/version_check.h"

// Placeholder until the request channel exists: every start is treated as a
// first installation, which leads to the version-query dialog.
int CheckVersion(const std::string&, CDownloaderApp&)
{
    return 0;
}
