// The .sig check over an arbitrary signature text and manifest. The first
// byte says how many of the following bytes are the signature text; the rest
// is the manifest.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_keys.h"
#include "protocol/detached_signature.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const char* bytes = reinterpret_cast<const char*>(data) + 1;
    const size_t signatureSize = std::min<size_t>(data[0], size - 1);
    VerifyDetachedSignature(FuzzDetachedKey(), std::string(bytes + signatureSize, size - 1 - signatureSize),
                            std::string(bytes, signatureSize));
    return 0;
}
