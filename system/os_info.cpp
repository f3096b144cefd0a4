#include "system/os_info.h"

#include <windows.h>

namespace {

using GetNativeSystemInfoFn = void(WINAPI*)(LPSYSTEM_INFO);

SYSTEM_INFO ReadSystemInfo()
{
    SYSTEM_INFO info{};
    // A 32-bit program must ask for the native architecture to see AMD64.
    auto native = reinterpret_cast<GetNativeSystemInfoFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetNativeSystemInfo")));
    if (native != nullptr)
        native(&info);
    else
        ::GetSystemInfo(&info);
    return info;
}

}  // namespace

int QueryOsInfo(OsInfo* info)
{
    info->version61or62 = false;
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    // The version as a program without a compatibility list sees it: 6.2 on
    // Windows 8.1 and later.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExA(&version))
        return 1;
#pragma GCC diagnostic pop
    const SYSTEM_INFO system = ReadSystemInfo();
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT || version.dwMajorVersion <= 4)
        return 0;
    // Only an x86 processor rules the x64 package out; on any other version
    // or architecture the package's own marker key decides.
    info->isX86 = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL;
    info->version61or62 =
        version.dwMajorVersion == 6 && (version.dwMinorVersion == 1 || version.dwMinorVersion == 2);
    return 1;
}
