// The signature check over arbitrary file contents.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_keys.h"
#include "protocol/signed_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    VerifySignedContents(FuzzSigningKey(), std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
