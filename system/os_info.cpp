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

const char* ArchitectureName(WORD architecture)
{
    switch (architecture) {
    case PROCESSOR_ARCHITECTURE_INTEL:
        return "x86";
    case PROCESSOR_ARCHITECTURE_AMD64:
        return "x64";
    }
    return "other";
}

}  // namespace

std::string WindowsVersionText()
{
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    auto getVersion = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (getVersion == nullptr || getVersion(&version) != 0)
        return "unknown";
    std::string text = std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion) + "." +
                       std::to_string(version.dwBuildNumber);
    char servicePack[sizeof version.szCSDVersion] = {};
    ::WideCharToMultiByte(CP_ACP, 0, version.szCSDVersion, -1, servicePack, sizeof servicePack, nullptr, nullptr);
    if (servicePack[0] != '\0')
        text += std::string(" ") + servicePack;
    return text + ", " + ArchitectureName(ReadSystemInfo().wProcessorArchitecture);
}

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
    return ClassifyOs({version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion,
                       system.wProcessorArchitecture},
                      info);
}
