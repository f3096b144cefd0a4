#include "app/instance_names.h"

#include <cstdio>

std::string InstanceMessageName(const CEditionInfo& edition)
{
    char bank[16];
    std::snprintf(bank, sizeof bank, "_%d", static_cast<int>(edition.bankId));
    return "tiro_detect_tools_single_msgid" + edition.groupCode + bank;
}

std::string InstanceMutexName(const CEditionInfo& edition)
{
    char bank[16];
    std::snprintf(bank, sizeof bank, "%03x", edition.bankId);
    // The group word is part of this literal, not taken from groupCode.
    return std::string("downloader_KORVA_") + bank;
}
