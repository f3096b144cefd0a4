#include <windows.h>

#include "app/downloader_app.h"
#include "system/dll_search.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandTail, int)
{
    RestrictDllSearch();
    theApp.InitInstance(commandTail);
    return 0;
}
