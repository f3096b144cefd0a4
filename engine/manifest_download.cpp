#include "engine/manifest_download.h"

#include <windows.h>
#include <shlwapi.h>

#include <string>
#include <utility>

#include "engine/config.h"
#include "engine/file_download.h"
#include "engine/manifest.h"
#include "engine/manifest_names.h"
#include "engine/progress_view.h"
#include "engine/registry_paths.h"
#include "engine/release_check.h"
#include "engine/run_mode.h"
#include "protocol/deploy_keys.h"
#include "protocol/detached_signature.h"
#include "protocol/signed_file.h"
#include "protocol/version_answer.h"
#include "res/resource.h"
#include "system/link_checks.h"
#include "system/registry.h"
#include "system/support_log.h"

namespace {

ManifestRelease ReleaseOf(const std::string& manifestPath)
{
    std::string bytes;
    return ReadWholeFile(manifestPath, &bytes) ? ParseManifestRelease(bytes) : ManifestRelease();
}

std::string InstalledVersionValue()
{
    std::string version;
    const RegKey key = OpenRegistryKey(HKEY_LOCAL_MACHINE, ProductKeyPath(), KEY_READ);
    if (key)
        ReadRegistryText(key.get(), "Version", &version);
    return version;
}

// The Ed25519 signature published beside a manifest, fetched next to it (so
// the installed manifests keep theirs) and checked over the manifest's bytes.
bool DetachedSignatureHolds(const std::string& manifestUrl, const std::string& manifestPath)
{
    if (!DetachedSignatureRequired())
        return true;
    const std::string signaturePath = manifestPath + kDetachedSignatureSuffix;
    std::string manifest;
    std::string signature;
    return DownloadFile(manifestUrl + kDetachedSignatureSuffix, signaturePath, nullptr) &&
           ReadWholeFile(manifestPath, &manifest) && ReadWholeFile(signaturePath, &signature) &&
           VerifyDetachedSignature(manifest, signature);
}

}  // namespace

int DownloadConfiguration(CUpdateContext& context)
{
    const bool staged = context.runMode != kRunModeInstall &&
                        ::PathFileExistsA(context.installedCommonManifest.c_str()) &&
                        ::PathFileExistsA(context.installedEditionManifest.c_str());
    // Read before a first installation writes the new manifests over them.
    const bool installedNamed =
        ReleaseOf(context.installedCommonManifest).named || ReleaseOf(context.installedEditionManifest).named;
    const std::pair<const std::string&, const std::string&> manifests[] = {
        {context.commonManifestUrl, staged ? context.stagedCommonManifest : context.installedCommonManifest},
        {context.editionManifestUrl, staged ? context.stagedEditionManifest : context.installedEditionManifest},
    };
    // Never written through a junction or symbolic link in the install tree.
    if (!IsPlainFolderChain(context.installPath, staged ? kStagingFolderName : "")) {
        LogEvent("manifests refused: a folder of the install tree is a junction or link");
        return 0;
    }
    for (const auto& [url, target] : manifests) {
        SetDialogItemText(context.dialog, IDC_STATUS_TEXT, FormatText("正在下载 %s", "配置文件"));
        // Without a digest: a manifest is trusted on its signatures alone.
        if (!DownloadFile(url, target, nullptr)) {
            LogEvent("manifest not fetched: %s", url.c_str());
            return 0;
        }
        if (!VerifySignedFile(target.c_str())) {
            LogEvent("manifest refused: its embedded signature does not hold: %s", url.c_str());
            return 0;
        }
        if (!DetachedSignatureHolds(url, target)) {
            LogEvent("manifest refused: its Ed25519 signature is missing or does not hold: %s", url.c_str());
            return 0;
        }
    }

    // The answer is not authenticated; the release the signed manifests name is.
    ReleaseFacts facts;
    facts.common = ReleaseOf(manifests[0].second);
    facts.edition = ReleaseOf(manifests[1].second);
    facts.installedNamed = installedNamed;
    facts.answerVersion = context.serverVersion;
    facts.installedVersion = InstalledVersionValue();
    facts.bank = VersionQueryMessage(editionInfo.bankId);
    facts.mode = static_cast<RunMode>(context.runMode);
    const ReleaseVerdict verdict = CheckRelease(facts);
    if (verdict != ReleaseVerdict::Accepted) {
        LogEvent("manifests refused by the release check: %s", ReleaseVerdictText(verdict));
        return 0;
    }
    if (facts.common.named)
        context.releaseVersion = facts.common.version;
    LogEvent("manifests accepted: release %s", context.releaseVersion.c_str());
    return 1;
}
