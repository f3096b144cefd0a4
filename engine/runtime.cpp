#include "engine/runtime.h"

#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>

#include <string>

#include "engine/file_download.h"
#include "engine/progress_view.h"
#include "engine/runtime_need.h"
#include "engine/update_context.h"
#include "protocol/deploy_material.h"
#include "res/resource.h"
#include "system/authenticode.h"
#include "system/fresh_temp_folder.h"
#include "system/handles.h"
#include "system/os_info.h"
#include "system/registry.h"

namespace {

struct RuntimePackage {
    const char* fileName;
    const char* downloadPath;
    const char* markerKey;
};

// The platform vendor's download server, over plain HTTP as it publishes them.
const char kVendorDownloadHost[] = "http://download.microsoft.com";

constexpr RuntimePackage kX86Package = {
    "vcredist_x86.exe",
    "/download/7/5/0/7502f4e9-1f90-4895-9259-1bde67b8b9a1/vcredist_x86.exe",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{A09D5493-0D9F-3211-B3BF-DD7ABBB318C1}",
};
constexpr RuntimePackage kX64Package = {
    "vcredist_x64.exe",
    "/download/2/b/e/2bec4780-6f99-4347-ad31-48d4b46ab1d3/vcredist_x64.exe",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{02A39130-2CF3-30CA-8623-30F6071A4221}",
};

bool IsInstalled(const RuntimePackage& package)
{
    RegKey marker = OpenRegistryKey(HKEY_LOCAL_MACHINE, package.markerKey, KEY_READ);
    std::string version;
    return marker && ReadRegistryText(marker.get(), "Version", &version);
}

void ShowFailure(const CUpdateContext& context, const RuntimePackage& package)
{
    SetDialogItemText(context.dialog, IDC_STATUS_TEXT, FormatText("下载%s 失败", package.fileName));
    ::SetDlgItemTextA(context.dialog, IDCANCEL, "下载VS库失败");
}

// The package is started with administrator rights, so it must carry an intact
// signature that Windows trusts, made by the publisher the deployment names;
// one that does not is treated as a failed download. The file stays open,
// refusing writers, from before the check until its installer has started, and
// it is started from a folder of its own that users cannot touch.
void InstallPackage(CUpdateContext& context, const RuntimePackage& package)
{
    SetDialogItemText(context.dialog, IDC_STATUS_TEXT, FormatText("正在下载 %s", package.fileName));
    const FreshTempFolder folder;
    const std::string target = folder.PathOf(package.fileName);
    CBindCallback progress(context.dialog);
    if (!folder.valid() || !DownloadFile(std::string(kVendorDownloadHost) + package.downloadPath, target, &progress)) {
        ShowFailure(context, package);
        return;
    }
    const UniqueHandle verified = OpenTrustedFile(target, kBuiltInRuntimePublisher);
    if (!verified) {
        ShowFailure(context, package);
        return;
    }
    ::SetWindowTextA(context.overallText,
                     PercentText(static_cast<double>(context.currentStep) / context.totalSteps * 100).c_str());
    RefreshDialogItem(IDC_OVERALL_PERCENT, context.dialog);
    ::SendMessageA(context.overallBar, PBM_SETPOS, context.currentStep, 0);
    ++context.currentStep;
    SetDialogItemText(context.dialog, IDC_STATUS_TEXT, FormatText("正在安装 %s", package.fileName));
    // Its own folder as the working folder: not the folder this program was
    // started from (often a browser's download folder).
    ::ShellExecuteA(nullptr, nullptr, target.c_str(), "/q", folder.folder().c_str(), SW_SHOWNORMAL);
}

}  // namespace

int CheckRuntime(int* needX86, int* needX64)
{
    OsInfo os;
    const int known = QueryOsInfo(&os);
    const RuntimeNeed need = DecideRuntimeNeed(known, os, [](RuntimeArch arch) {
        return IsInstalled(arch == RuntimeArch::x86 ? kX86Package : kX64Package);
    });
    *needX86 = need.x86;
    *needX64 = need.x64;
    return known;
}

int InstallRuntime(CUpdateContext& context, int needX86, int needX64)
{
    if (needX86)
        InstallPackage(context, kX86Package);
    if (needX64)
        InstallPackage(context, kX64Package);
    return 1;
}
