#include "engine/manifest_names.h"

#include <cstdio>

const char kCommonManifestFileName[] = "Digest.xml";
const char kStagingFolderName[] = "DownLoad";
const char* const kInstallSubFolders[4] = {"Data", "Plugins", "Script", "Tools"};

std::string EditionManifestName(uint32_t bankId)
{
    char name[32];
    std::snprintf(name, sizeof name, "Digest_%.3x.xml", static_cast<unsigned>(bankId));
    return name;
}
