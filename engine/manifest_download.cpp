#include "engine/manifest_download.h"

#include <windows.h>
#include <shlwapi.h>

#include <string>

#include "engine/config.h"
#include "engine/manifest.h"
#include "engine/manifest_names.h"
#include "engine/memory_download.h"
#include "engine/part_file.h"
#include "engine/progress_view.h"
#include "engine/registry_paths.h"
#include "engine/release_check.h"
#include "engine/run_mode.h"
#include "protocol/detached_signature.h"
#include "protocol/signed_file.h"
#include "protocol/version_answer.h"
#include "res/resource.h"
#include "system/link_checks.h"
#include "system/registry.h"
#include "system/support_log.h"
#include "system/whole_file.h"

namespace {

// One manifest as it arrived, with the Ed25519 signature published beside it
// (empty in a deployment without that key).
struct FetchedManifest {
    const std::string& url;
    const std::string& target;
    std::string bytes;
    std::string signature;
};

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

// Fetched into memory and checked there: a manifest that fails a check never
// reaches the disk, so the installed one stays as it was.
bool FetchAndCheck(FetchedManifest* manifest)
{
    if (!DownloadToMemory(manifest->url, &manifest->bytes)) {
        LogEvent("manifest not fetched: %s", manifest->url.c_str());
        return false;
    }
    if (!VerifySignedContents(manifest->bytes)) {
        LogEvent("manifest refused: its embedded signature does not hold: %s", manifest->url.c_str());
        return false;
    }
    if (DetachedSignatureRequired() &&
        !(DownloadToMemory(manifest->url + kDetachedSignatureSuffix, &manifest->signature) &&
          VerifyDetachedSignature(manifest->bytes, manifest->signature))) {
        LogEvent("manifest refused: its Ed25519 signature is missing or does not hold: %s", manifest->url.c_str());
        return false;
    }
    return true;
}

// Written beside the target and moved over it, so that a link or a second
// name planted at the target is replaced, never written through.
bool WriteCheckedBytes(const std::string& target, const std::string& bytes)
{
    CPartFile part(target, FileDigests());
    return part.StartBody(bytes.size(), std::string()) && part.Append(bytes.data(), static_cast<DWORD>(bytes.size())) &&
           part.IsComplete(FileDigests()) && part.MoveOverTarget();
}

// The signature is kept beside the manifest, as the installed manifests keep theirs.
bool WriteManifest(const FetchedManifest& manifest)
{
    const bool written = WriteCheckedBytes(manifest.target, manifest.bytes) &&
                         (manifest.signature.empty() ||
                          WriteCheckedBytes(manifest.target + kDetachedSignatureSuffix, manifest.signature));
    if (!written)
        LogEvent("manifest not written: %s", manifest.target.c_str());
    return written;
}

}  // namespace

int DownloadConfiguration(CUpdateContext& context)
{
    const bool staged = context.runMode != kRunModeInstall &&
                        ::PathFileExistsA(context.installedCommonManifest.c_str()) &&
                        ::PathFileExistsA(context.installedEditionManifest.c_str());
    const bool installedNamed =
        ReleaseOf(context.installedCommonManifest).named || ReleaseOf(context.installedEditionManifest).named;
    FetchedManifest manifests[] = {
        {context.commonManifestUrl, staged ? context.stagedCommonManifest : context.installedCommonManifest, {}, {}},
        {context.editionManifestUrl, staged ? context.stagedEditionManifest : context.installedEditionManifest, {}, {}},
    };
    // Never written through a junction or symbolic link in the install tree.
    if (!IsPlainFolderChain(context.installPath, staged ? kStagingFolderName : "")) {
        LogEvent("manifests refused: a folder of the install tree is a junction or link");
        return 0;
    }
    for (FetchedManifest& manifest : manifests) {
        SetDialogItemText(context.dialog, IDC_STATUS_TEXT, FormatText("正在下载 %s", "配置文件"));
        if (!FetchAndCheck(&manifest))
            return 0;
    }

    // The answer is not authenticated; the release the signed manifests name is.
    ReleaseFacts facts;
    facts.common = ParseManifestRelease(manifests[0].bytes);
    facts.edition = ParseManifestRelease(manifests[1].bytes);
    facts.installedNamed = installedNamed;
    facts.answerVersion = context.serverVersion;
    facts.installedVersion = InstalledVersionValue();
    facts.bank = VersionQueryMessage(editionInfo.bankId);
    facts.mode = context.runMode;
    const ReleaseVerdict verdict = CheckRelease(facts);
    if (verdict != ReleaseVerdict::Accepted) {
        LogEvent("manifests refused by the release check: %s", ReleaseVerdictText(verdict));
        return 0;
    }
    for (const FetchedManifest& manifest : manifests) {
        if (!WriteManifest(manifest))
            return 0;
    }
    context.commonEntries = ParseManifest(manifests[0].bytes);
    context.editionEntries = ParseManifest(manifests[1].bytes);
    context.manifestsStaged = staged;
    if (facts.common.named)
        context.releaseVersion = facts.common.version;
    LogEvent("manifests accepted: release %s", context.releaseVersion.c_str());
    return 1;
}
