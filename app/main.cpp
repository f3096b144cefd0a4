#include <windows.h>

#include "app/downloader_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandTail, int)
{
    theApp.InitInstance(commandTail);
    return 0;
}
