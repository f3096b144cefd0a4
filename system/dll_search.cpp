#include "system/dll_search.h"

#include <delayimp.h>

#include <string>

#include "system/system_folder.h"

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

FARPROC WINAPI LoadDelayedFromSystemFolder(unsigned notification, PDelayLoadInfo info)
{
    if (notification != dliNotePreLoadLibrary)
        return nullptr;
    return reinterpret_cast<FARPROC>(LoadSystemLibrary(info->szDll));
}

}  // namespace

// Consulted by the toolchain's delay-load helper before it would call
// LoadLibraryA with the bare name. Defined here, in the object that WinMain
// pulls in, so the linker takes it over the library's empty default.
extern "C" PfnDliHook __pfnDliNotifyHook2;
PfnDliHook __pfnDliNotifyHook2 = LoadDelayedFromSystemFolder;

void RestrictDllSearch()
{
    // Windows 8 and later, and Windows 7 and Vista with KB2533623.
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories == nullptr || !setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        ::SetDllDirectoryA("");  // without it, at least the current folder leaves the search
}

HMODULE LoadSystemLibrary(const char* name)
{
    HMODULE module = ::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || ::GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    // A system that does not know the flag: the full path, and the DLL's own
    // folder (the system folder) in place of the program's for what it loads.
    const std::string path = SystemFolderPath(name);
    if (path.empty())
        return nullptr;
    return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
