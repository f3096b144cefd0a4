// Process-wide configuration records. Written in flow order (start-up, version
// query, options dialog) before any worker reads them, so they need no locks.
#pragma once

#include <cstdint>
#include <string>

#include "protocol/server_info.h"
#include "protocol/version_answer.h"

struct CEditionInfo {
    uint32_t bankId = 0;
    std::string downloaderTitle;
    std::string groupCode;
    std::string productName;
    std::string installSubPath;
    int32_t iconId = 0;
    int32_t queryBackgroundId = 0;
    int32_t installBackgroundId = 0;
    int32_t optionBackgroundId = 0;
    int32_t progressBackgroundId = 0;
    int32_t progressBackgroundAltId = 0;
    int32_t updateBackgroundId = 0;
    std::string oldProductCode;
};

struct CInstallInfo {
    std::string installPath;
    std::string serverVersion;
    std::string downloadUrl;
    std::string webUiFileName;
    std::string uninstallerFileName;
    std::string downloaderFileName;
    UpdateMode updateMode = kNoUpdate;
};

extern CEditionInfo editionInfo;
extern CServerInfo serverInfo;
extern CInstallInfo installInfo;

extern std::string registryVendor;
extern bool desktopShortcut;
extern bool startMenuShortcut;
extern bool quickLaunchShortcut;
extern bool autoStart;
