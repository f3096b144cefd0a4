// What the runtime check needs to know about the system.
#pragma once

#include <string>

struct OsInfo {
    bool version61or62 = false;  // Windows 7 / 8 (and, undeclared in our manifest, 8.1 and later)
    bool isX86 = false;          // native processor is x86
};

// "6.1.7601 Service Pack 1, x64" as the support log shows it: the version the
// system itself reports, not the one a program without a compatibility list sees.
std::string WindowsVersionText();

// 0 for a system outside the NT family or of version 4 or lower, 1 otherwise.
int QueryOsInfo(OsInfo* info);
