// A program that does nothing until it is ended: copied under other names
// (iexplore.exe, webui_811.exe, ...) it stands in for programs that tests
// find and terminate by image name.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    ::Sleep(INFINITE);
    return 0;
}
