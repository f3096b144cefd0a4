#include "engine/registry_paths.h"

#include <cstdio>

#include "engine/config.h"

std::string ProductKeyPath()
{
    char bank[16];
    std::snprintf(bank, sizeof bank, "%x", editionInfo.bankId);
    return "Software\\" + registryVendor + "\\Quillon\\WebUI\\" + editionInfo.groupCode + "\\" + bank;
}
