#include "system/os_class.h"

namespace {

constexpr uint32_t kPlatformNt = 2;
constexpr uint16_t kArchitectureX86 = 0;

}  // namespace

int ClassifyOs(const OsFigures& figures, OsInfo* info)
{
    info->version61or62 = false;
    if (figures.platformId != kPlatformNt || figures.majorVersion <= 4)
        return 0;
    // Only an x86 processor rules the x64 package out; on any other version
    // or architecture the package's own marker key decides.
    info->isX86 = figures.architecture == kArchitectureX86;
    info->version61or62 = figures.majorVersion == 6 && (figures.minorVersion == 1 || figures.minorVersion == 2);
    return 1;
}
