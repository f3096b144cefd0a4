// Names that tie the instances of one edition together.
#pragma once

#include <string>

#include "engine/config.h"

// Registered window message on which every wizard dialog ends its process,
// e.g. "tiro_detect_tools_single_msgidKORVA_2065".
std::string InstanceMessageName(const CEditionInfo& edition);

// Single-instance mutex, e.g. "downloader_KORVA_811". No "Global\" prefix:
// copies in other logons do not see each other.
std::string InstanceMutexName(const CEditionInfo& edition);
