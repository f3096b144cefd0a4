#include "system/registry.h"

namespace {

constexpr DWORD kValueBufferSize = 260;

}  // namespace

RegKey OpenRegistryKey(HKEY root, const std::string& path, REGSAM access)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, access, &key) != ERROR_SUCCESS)
        return RegKey();
    return RegKey(key);
}

bool ReadRegistryText(HKEY key, const char* name, std::string* value)
{
    char buffer[kValueBufferSize] = {};
    DWORD size = sizeof buffer;
    if (::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return false;
    // A value stored without its terminating zero still reads as its text.
    value->assign(buffer, strnlen(buffer, size < sizeof buffer ? size : sizeof buffer));
    return true;
}
