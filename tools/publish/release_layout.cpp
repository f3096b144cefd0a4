#include "tools/publish/release_layout.h"

#include <strings.h>


const char kReleaseInfoName[] = "release.json";
const char kDownloadFolderName[] = "download";
const char kSigningKeyName[] = "signing.key.pem";
const char kVerifyingKeyName[] = "signing.pub.pem";


bool IsStagedFolder(const std::string& path)
{
    if (path.empty())
        return true;
    // Windows matches folder names without regard to case.
    for (const char* folder : kInstallSubFolders) {
        if (strcasecmp(path.c_str(), folder) == 0)
            return true;
    }
    return false;
}
