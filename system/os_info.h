// What the runtime check needs to know about the system.
#pragma once

#include <string>

#include "system/os_class.h"

// "6.1.7601 Service Pack 1, x64" as the support log shows it: the version the
// system itself reports, not the one a program without a compatibility list sees.
std::string WindowsVersionText();

// 0 for a system outside the NT family or of version 4 or lower, 1 otherwise.
int QueryOsInfo(OsInfo* info);
