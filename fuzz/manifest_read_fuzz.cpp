// Manifest reading as a run does it: the entries of arbitrary bytes, each
// then judged by the entry safety rule.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/manifest.h"
#include "system/relative_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const ListedFile& entry : ParseManifest(bytes))
        IsSafeManifestEntry(entry.path, entry.fileName);
    return 0;
}
