#include "app/version_check.h"

#include <windows.h>

#include <cstdio>

#include "app/start_option.h"
#include "engine/config.h"
#include "engine/registry_paths.h"
#include "engine/run_mode.h"
#include "protocol/request_channel.h"
#include "protocol/version_answer.h"
#include "protocol/version_number.h"
#include "system/process_utils.h"
#include "system/registry.h"
#include "system/support_log.h"
#include "ui/progress_dlg.h"
#include "ui/update_dlg.h"

namespace {

// The server gets four chances, one right after the other; the user sees no
// window meanwhile, and a bank that never answers ends the start silently.
constexpr int kQueryAttempts = 4;


struct InstalledAssistant {
    std::string version;
    std::string path;
};

bool ReadInstalledAssistant(InstalledAssistant* installed)
{
    RegKey key = OpenRegistryKey(HKEY_LOCAL_MACHINE, ProductKeyPath(), KEY_ALL_ACCESS);
    return key && ReadRegistryText(key.get(), "Version", &installed->version) &&
           ReadRegistryText(key.get(), "Path", &installed->path);
}

// Repair: the browser holds the assistant's files, so it must go first.
void Repair()
{
    DWORD browser = 0;
    if (FindProcess(&browser)) {
        if (::MessageBoxA(nullptr, "安装过程中需关闭IE浏览器，是否继续？", editionInfo.productName.c_str(),
                          MB_YESNO) != IDYES)
            return;
        KillProcess(browser);
    }
    CProgressDlg(kRunModeRepair).DoModal();
}

void ReportUpToDate()
{
    char text[512];
    std::snprintf(text, sizeof text, "您当前已安装了最新的%s版本。", editionInfo.productName.c_str());
    ::MessageBoxA(nullptr, text, editionInfo.productName.c_str(), MB_OK);
}

}  // namespace

int CheckVersion(const std::string& commandTail, CDownloaderApp&)
{
    InstalledAssistant installed;
    if (!ReadInstalledAssistant(&installed)) {
        LogEvent("no assistant installed: first installation");
        return 0;
    }
    LogEvent("installed: version %s in %s", installed.version.c_str(), installed.path.c_str());

    VersionAnswer answer;
    switch (RunVersionQuery(serverInfo, editionInfo.bankId, kQueryAttempts, &answer)) {
    case QueryOutcome::NoAnswer:
        EndRun("no answer to the version query");
    case QueryOutcome::CannotOpen:
    case QueryOutcome::Malformed:
        return 1;
    case QueryOutcome::Answered:
        break;
    }
    installInfo.serverVersion = answer.version;
    installInfo.downloadUrl = answer.downloadUrl;
    installInfo.updateMode = UpdateModeFromText(answer.updateText);

    const StartOption option = ParseStartOption(commandTail);
    if (installInfo.updateMode == kNoUpdate && option == StartOption::Update)
        return 1;

    const VersionNumber latest = ParseVersion(installInfo.serverVersion);
    installInfo.installPath = installed.path;
    const VersionNumber current = ParseVersion(installed.version);

    if (option == StartOption::LoseFile) {
        Repair();
        return 1;
    }
    if (current < latest) {
        if (installInfo.updateMode == kOfferUpdate) {
            CUpdateDlg().DoModal();
        } else if (installInfo.updateMode == kForceUpdate) {
            KillProcess(0);
            CProgressDlg(kRunModeUpdate).DoModal();
        }
        return 1;
    }
    if (option != StartOption::Update)
        ReportUpToDate();
    return 1;
}
