#include "app/downloader_app.h"

#include <commctrl.h>

#include <string>

#include "app/edition.h"
#include "app/instance_names.h"
#include "app/privilege.h"
#include "app/start_option.h"
#include "app/version_check.h"
#include "engine/config.h"
#include "system/os_info.h"
#include "system/support_log.h"
#include "system/version_block.h"
#include "ui/get_internet_dlg.h"

CDownloaderApp theApp;

namespace {

// Every class group of the classic common-control library.
constexpr DWORD kAllCommonControlClasses = 0xFF;

// The file version of the program's own VERSIONINFO resource.
std::string ProgramVersion()
{
    const HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(VS_VERSION_INFO), RT_VERSION);
    const HGLOBAL loaded = found != nullptr ? ::LoadResource(nullptr, found) : nullptr;
    const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (bytes == nullptr)
        return "unknown";
    return FileVersionOfBlock(std::string(static_cast<const char*>(bytes), ::SizeofResource(nullptr, found)));
}

void LogStart(const std::string& tail)
{
    char program[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, program, MAX_PATH);
    LogEvent("start: %s version %s, command tail \"%s\", %s, Windows %s", program, ProgramVersion().c_str(),
             tail.c_str(), StartOptionName(ParseStartOption(tail)), WindowsVersionText().c_str());
}

}  // namespace

BOOL CDownloaderApp::InitInstance(const char* commandTail)
{
    EnableTakeOwnership(::GetCurrentProcess());

    INITCOMMONCONTROLSEX controls{sizeof controls, kAllCommonControlClasses};
    ::InitCommonControlsEx(&controls);

    SetupEdition();

    desktopShortcut = true;
    startMenuShortcut = true;
    quickLaunchShortcut = true;

    singleMsgId = ::RegisterWindowMessageA(InstanceMessageName(editionInfo).c_str());
    if (singleMsgId == 0) {
        ::MessageBoxA(nullptr, "Can not initialize.", nullptr, MB_ICONERROR);
        return FALSE;
    }

    const std::string tail = commandTail != nullptr ? commandTail : "";
    LogStart(tail);
    if (ParseStartOption(tail) == StartOption::Terminate) {
        ::PostMessageA(HWND_BROADCAST, singleMsgId, 1, 0);
        return FALSE;
    }

    HANDLE lock = ::CreateMutexA(nullptr, FALSE, InstanceMutexName(editionInfo).c_str());
    const DWORD lockError = ::GetLastError();
    instanceLock_.reset(lock);
    if (lockError == ERROR_ALREADY_EXISTS)
        EndRun("another instance is running");

    serverInfo.requestPath = "/assist/server?reqtype=1&data=";
    serverInfo.urlPrefix.clear();

    if (CheckVersion(tail, *this) != 0)
        return FALSE;

    CGetInternetDlg queryDialog;
    queryDialog.DoModal();
    return FALSE;
}
