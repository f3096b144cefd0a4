/* A DLL planted beside the program under the name of a system DLL it uses
   ("wininet.dll", ...). Loading it leaves a mark, C:\pellis-test\loaded-<its
   file name>, before the loader could find that it lacks every function the
   real one has. Plain C: it must need nothing beyond kernel32. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH] = "";
        char marker[MAX_PATH + 32];
        const char* name = path;
        GetModuleFileNameA(self, path, sizeof path);
        for (const char* at = path; *at; ++at) {
            if (*at == '\\')
                name = at + 1;
        }
        wsprintfA(marker, "C:\\pellis-test\\loaded-%s", name);
        HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    return TRUE;
}
