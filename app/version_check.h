// The version check at start-up: decides between first installation, update,
// repair and "already up to date".
#pragma once

#include <string>

class CDownloaderApp;

// Non-zero when the check has handled the start completely; 0 when no
// assistant is installed and the first-installation wizard must run.
int CheckVersion(const std::string& commandTail, CDownloaderApp& app);
