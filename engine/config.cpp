#include "engine/config.h"

CEditionInfo editionInfo;
CServerInfo serverInfo;
CInstallInfo installInfo;

std::string registryVendor;
bool desktopShortcut = false;
bool startMenuShortcut = false;
bool quickLaunchShortcut = false;
bool autoStart = false;
