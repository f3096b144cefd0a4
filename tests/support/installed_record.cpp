#include "tests/support/installed_record.h"

#include <windows.h>

#include <cstdio>

namespace {

std::string KeyPath(uint32_t bankId)
{
    char path[64];
    std::snprintf(path, sizeof path, "Software\\Quillon\\WebUI\\KORVA\\%x", bankId);
    return path;
}

}  // namespace

void WriteInstalledRecord(const std::string& version, const std::string& path, uint32_t bankId)
{
    RemoveInstalledRecord(bankId);
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyPath(bankId).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr) != ERROR_SUCCESS)
        return;
    if (!version.empty())
        ::RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                         static_cast<DWORD>(version.size() + 1));
    if (!path.empty())
        ::RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                         static_cast<DWORD>(path.size() + 1));
    ::RegCloseKey(key);
}

void RemoveInstalledRecord(uint32_t bankId)
{
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, KeyPath(bankId).c_str());
}
