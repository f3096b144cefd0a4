#include "engine/install_worker.h"

#include <commctrl.h>

#include "engine/assistant_control.h"
#include "engine/config.h"
#include "engine/handover.h"
#include "engine/install_folders.h"
#include "engine/manifest_download.h"
#include "engine/manifest_processor.h"
#include "engine/old_generation.h"
#include "engine/progress_view.h"
#include "engine/registry_entries.h"
#include "engine/run_mode.h"
#include "engine/runtime.h"
#include "engine/shortcuts.h"
#include "engine/update_context.h"
#include "res/resource.h"
#include "system/folder_listing.h"
#include "system/folder_tree.h"
#include "system/link_checks.h"
#include "system/support_log.h"
#include "ui/progress_dlg.h"

namespace {

const char kFinishedButtonText[] = "下载完成";
const char kStartingText[] = "完成安装,准备启动助手";
constexpr DWORD kPauseBeforeStartMs = 1000;

// The dialog stays open with the failed step's texts; Cancel then closes it
// without asking.
DWORD GiveUp(CProgressDlg* dialog)
{
    dialog->workerDone = 1;
    // Logged once it holds: a reader of the log may act on it at once.
    LogEvent("the run gave up at its failed step");
    return 0;
}

}  // namespace

DWORD WINAPI InstallWorker(LPVOID progressDialog)
{
    auto* dialog = static_cast<CProgressDlg*>(progressDialog);
    CUpdateContext* context = dialog->context;
    const HWND window = dialog->GetSafeHwnd();
    dialog->workerDone = 0;
    LogEvent("run mode: %s, install folder %s", RunModeName(context->runMode), installInfo.installPath.c_str());

    if (context->runMode == kRunModeInstall)
        RemoveOldGeneration(window);
    if (!CreateProtectedFolderTree(installInfo.installPath))
        return GiveUp(dialog);
    CreateInstallFolders(*context);
    // Whatever a killed or abandoned run left in the staging folder (a ".part",
    // a file of a release that was withdrawn since) would be copied into place
    // with this run's files: this run fetches everything it copies.
    if (context->runMode != kRunModeInstall)
        PurgeStaging(*context);
    if (!DownloadConfiguration(*context))
        return GiveUp(dialog);

    int needX86 = 0;
    int needX64 = 0;
    CheckRuntime(&needX86, &needX64);
    context->totalSteps = CountManifestEntries(*context, kEditionManifest) +
                          CountManifestEntries(*context, kCommonManifest) + needX86 + needX64;
    ::SendMessageA(context->overallBar, PBM_SETRANGE32, 0, context->totalSteps);
    ::SendMessageA(context->overallBar, PBM_SETPOS, 0, 0);
    InstallRuntime(*context, needX86, needX64);

    if (!ProcessManifest(*context, kCommonManifest) || !ProcessManifest(*context, kEditionManifest))
        return GiveUp(dialog);
    // Unlike the failures above this leaves workerDone at 0: Cancel still asks first.
    if (!StopAssistant(*context))
        return 0;
    CopyStagedFiles(*context);
    PurgeStaging(*context);
    WriteRegistryEntries(*context);

    const RunMode runMode = context->runMode;
    delete context;
    dialog->context = nullptr;
    dialog->workerDone = 1;
    SetDialogItemText(window, IDCANCEL, kFinishedButtonText);
    if (runMode != kRunModeRepair)
        CreateShortcuts(window);
    SetDialogItemText(window, IDC_STATUS_TEXT, kStartingText);
    ::Sleep(kPauseBeforeStartMs);
    StartAssistant();
    EndRun("the run completed and started the assistant");
}

int PurgeStaging(const CUpdateContext& context)
{
    return PurgeFolder(context.stagingPath);
}

int PurgeFolder(const std::string& folder)
{
    // A junction or symbolic link is never entered nor deleted through: it may
    // lead anywhere, and a user may have planted it.
    if (!IsPlainFolder(ReadLinkFacts(folder)))
        return 0;
    FolderListing listing(folder);
    if (!listing)
        return 0;
    listing.ForEach([&folder](const FolderItem& item) {
        if (item.link)
            return true;
        const std::string path = folder + "\\" + item.name;
        if (item.folder)
            PurgeFolder(path);
        else
            ::DeleteFileA(path.c_str());
        return true;
    });
    return 1;
}
