#include <windows.h>

#include "app/downloader_app.h"
#include "system/dll_search.h"
#include "system/support_log.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandTail, int)
{
    RestrictDllSearch();
    theApp.InitInstance(commandTail);
    LogEvent("exit: the start is handled");
    return 0;
}
