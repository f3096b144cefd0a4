#include "system/version_block.h"

#include <cstdint>

namespace {

constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
// Signature, structure version, then the file version's high and low halves.
constexpr size_t kFileVersionOffset = 8;
constexpr size_t kFixedInfoLeast = kFileVersionOffset + 8;

uint32_t LittleEndianAt(const std::string& bytes, size_t at)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

}  // namespace

std::string FileVersionOfBlock(const std::string& block)
{
    for (size_t at = 0; at + kFixedInfoLeast <= block.size(); at += 4) {
        if (LittleEndianAt(block, at) != kFixedInfoSignature)
            continue;
        const uint32_t high = LittleEndianAt(block, at + kFileVersionOffset);
        const uint32_t low = LittleEndianAt(block, at + kFileVersionOffset + 4);
        return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." + std::to_string(low >> 16) +
               "." + std::to_string(low & 0xFFFF);
    }
    return std::string();
}
