#pragma once

// What one run of the update engine does.
enum RunMode {
    kRunModeInstall = 0,  // first installation, straight into the install folder
    kRunModeUpdate = 1,   // changed files through the staging folder
    kRunModeRepair = 2,   // the same, started with "-losefile"
};

// As the support log names the mode.
inline const char* RunModeName(RunMode mode)
{
    switch (mode) {
    case kRunModeInstall:
        return "first installation";
    case kRunModeUpdate:
        return "update";
    case kRunModeRepair:
        return "repair";
    }
    return "unknown";
}
