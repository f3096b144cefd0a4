// Opening arbitrary answer text with the demo key pair.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_keys.h"
#include "protocol/envelope.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> message(size + 1);
    size_t capacity = size;
    OpenEnvelope(FuzzEnvelopeKey(), reinterpret_cast<const char*>(data), size, message.data(), &capacity);
    return 0;
}
