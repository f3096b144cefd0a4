#include "engine/runtime_need.h"

RuntimeNeed DecideRuntimeNeed(int osKnown, const OsInfo& os, const std::function<bool(RuntimeArch)>& installed)
{
    if (osKnown == 0)
        return {1, 1};
    if (os.version61or62)
        return {0, 0};
    RuntimeNeed need;
    need.x86 = installed(RuntimeArch::x86) ? 0 : 1;
    need.x64 = os.isX86 || installed(RuntimeArch::x64) ? 0 : 1;
    return need;
}
