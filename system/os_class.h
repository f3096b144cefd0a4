// What the runtime check needs to know about the system, worked out from the
// figures the platform reports. Portable, so that systems Wine cannot play (an
// x86 processor, other versions) are tested on their own.
#pragma once

#include <cstdint>

struct OsInfo {
    bool version61or62 = false;  // Windows 7 / 8 (and, undeclared in our manifest, 8.1 and later)
    bool isX86 = false;          // native processor is x86
};

// The figures as GetVersionExA and GetNativeSystemInfo give them.
struct OsFigures {
    uint32_t platformId;  // 2: the NT family
    uint32_t majorVersion;
    uint32_t minorVersion;
    uint16_t architecture;  // 0: x86, 9: AMD64
};

// 0 for a system outside the NT family or of version 4 or lower, 1 otherwise.
int ClassifyOs(const OsFigures& figures, OsInfo* info);
