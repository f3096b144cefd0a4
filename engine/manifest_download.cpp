#include "engine/manifest_download.h"

#include <shlwapi.h>

#include <string>
#include <utility>

#include "engine/file_download.h"
#include "engine/progress_view.h"
#include "engine/run_mode.h"
#include "protocol/signed_file.h"
#include "res/resource.h"

int DownloadConfiguration(CUpdateContext& context)
{
    const bool staged = context.runMode != kRunModeInstall &&
                        ::PathFileExistsA(context.installedCommonManifest.c_str()) &&
                        ::PathFileExistsA(context.installedEditionManifest.c_str());
    const std::pair<const std::string&, const std::string&> manifests[] = {
        {context.commonManifestUrl, staged ? context.stagedCommonManifest : context.installedCommonManifest},
        {context.editionManifestUrl, staged ? context.stagedEditionManifest : context.installedEditionManifest},
    };
    for (const auto& [url, target] : manifests) {
        SetDialogItemText(context.dialog, IDC_STATUS_TEXT, FormatText("正在下载 %s", "配置文件"));
        // Without a digest: a manifest is trusted on its signature alone.
        if (!DownloadFile(url, target, nullptr) || !VerifySignedFile(target.c_str()))
            return 0;
    }
    return 1;
}
