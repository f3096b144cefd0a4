// The entry safety rule over arbitrary folder and file names.
#include <cstddef>
#include <cstdint>
#include <string>

#include "system/relative_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const size_t split = text.find('\0');
    if (split == std::string::npos)
        IsSafeManifestEntry(text, "a.dll");
    else
        IsSafeManifestEntry(text.substr(0, split), text.substr(split + 1));
    return 0;
}
