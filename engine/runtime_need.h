// Which of the platform's runtime packages a run installs, decided from what
// the system query found and from each package's installed marker.
#pragma once

#include <functional>

#include "system/os_class.h"

enum class RuntimeArch { x86, x64 };

struct RuntimeNeed {
    int x86 = 0;  // 0 or 1 each: the worker counts them as overall steps
    int x64 = 0;
};

// `osKnown` is QueryOsInfo's result: 0 (outside the supported family) needs
// both. Windows 7 and 8 need none and nothing is asked. Otherwise a package is
// needed unless `installed` finds its marker; the x64 one never on an x86
// processor, and `installed` is then not asked about it.
RuntimeNeed DecideRuntimeNeed(int osKnown, const OsInfo& os, const std::function<bool(RuntimeArch)>& installed);
