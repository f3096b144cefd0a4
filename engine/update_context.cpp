#include "engine/update_context.h"

#include "engine/config.h"
#include "engine/manifest_names.h"
#include "res/resource.h"
#include "system/registry.h"

namespace {

const char kGroupKeyPrefix[] = "Software\\Quillon\\WebUI\\";
const char kServerUrlValue[] = "ServerURL";
const char kInstallPathValue[] = "Path";

std::string GroupValue(const std::string& groupCode, const char* name)
{
    std::string value;
    const RegKey key = OpenRegistryKey(HKEY_LOCAL_MACHINE, kGroupKeyPrefix + groupCode, KEY_READ);
    if (key)
        ReadRegistryText(key.get(), name, &value);
    return value;
}

}  // namespace

CUpdateContext::CUpdateContext(HWND dialog, const std::string& groupCode, RunMode runMode,
                               const std::string& serverUrlValue, UpdateMode updateMode, const std::string& serverVersion,
                               const std::string& installFolder)
    : updateMode(updateMode),
      groupCode(groupCode),
      downloadUrl(serverUrlValue.empty() ? GroupValue(groupCode, kServerUrlValue) : serverUrlValue),
      installPath(installFolder.empty() ? GroupValue(groupCode, kInstallPathValue) : installFolder),
      serverVersion(serverVersion),
      stagingPath(installPath + "\\" + kStagingFolderName),
      releaseVersion(serverVersion),
      runMode(runMode),
      dialog(dialog),
      overallBar(::GetDlgItem(dialog, IDC_OVERALL_BAR)),
      overallText(::GetDlgItem(dialog, IDC_OVERALL_PERCENT))
{
    const std::string editionManifest = EditionManifestName(editionInfo.bankId);
    commonManifestUrl = downloadUrl + "/" + kCommonManifestFileName;
    editionManifestUrl = downloadUrl + "/" + editionManifest;
    stagedCommonManifest = stagingPath + "\\" + kCommonManifestFileName;
    stagedEditionManifest = stagingPath + "\\" + editionManifest;
    installedCommonManifest = installPath + "\\" + kCommonManifestFileName;
    installedEditionManifest = installPath + "\\" + editionManifest;
}

CUpdateContext::~CUpdateContext() = default;
