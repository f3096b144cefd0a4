#include "app/downloader_app.h"

#include <commctrl.h>

#include <string>

#include "app/edition.h"
#include "app/instance_names.h"
#include "app/privilege.h"
#include "app/start_option.h"
#include "app/version_check.h"
#include "engine/config.h"
#include "ui/get_internet_dlg.h"
#include "ui/window_globals.h"

CDownloaderApp theApp;

namespace {

// Every class group of the classic common-control library.
constexpr DWORD kAllCommonControlClasses = 0xFF;

}  // namespace

BOOL CDownloaderApp::InitInstance(const char* commandTail)
{
    EnableTakeOwnership(::GetCurrentProcess());

    INITCOMMONCONTROLSEX controls{sizeof controls, kAllCommonControlClasses};
    ::InitCommonControlsEx(&controls);

    SetupEdition();

    progressDialog = nullptr;
    desktopShortcut = true;
    startMenuShortcut = true;
    quickLaunchShortcut = true;

    singleMsgId = ::RegisterWindowMessageA(InstanceMessageName(editionInfo).c_str());
    if (singleMsgId == 0) {
        ::MessageBoxA(nullptr, "Can not initialize.", nullptr, MB_ICONERROR);
        return FALSE;
    }

    const std::string tail = commandTail != nullptr ? commandTail : "";
    if (ParseStartOption(tail) == StartOption::Terminate) {
        ::PostMessageA(HWND_BROADCAST, singleMsgId, 1, 0);
        return FALSE;
    }

    HANDLE lock = ::CreateMutexA(nullptr, FALSE, InstanceMutexName(editionInfo).c_str());
    const DWORD lockError = ::GetLastError();
    instanceLock_.reset(lock);
    if (lockError == ERROR_ALREADY_EXISTS)
        ::ExitProcess(0);

    serverInfo.requestPath = "/assist/server?reqtype=1&data=";
    serverInfo.urlPrefix.clear();

    if (CheckVersion(tail, *this) != 0)
        return FALSE;

    CGetInternetDlg queryDialog;
    queryDialog.DoModal();
    return FALSE;
}
