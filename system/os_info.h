// What the runtime check needs to know about the system.
#pragma once

struct OsInfo {
    bool version61or62 = false;  // Windows 7 / 8 (and, undeclared in our manifest, 8.1 and later)
    bool isX86 = false;          // native processor is x86
};

// 0 for a system outside the NT family or of version 4 or lower, 1 otherwise.
int QueryOsInfo(OsInfo* info);
