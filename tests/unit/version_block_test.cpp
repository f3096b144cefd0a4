#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "system/version_block.h"

namespace {

std::string LittleEndian(uint32_t value)
{
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

// The head of a VS_VERSIONINFO block as windres writes it: lengths, type, the
// UTF-16 key "VS_VERSION_INFO" and padding, then the fixed information.
std::string Block(uint32_t signature, uint32_t high, uint32_t low)
{
    std::string block("\x5c\x03\x34\x00\x00\x00", 6);
    for (const char c : std::string("VS_VERSION_INFO"))
        block += std::string(1, c) + '\0';
    block += std::string(4, '\0');  // terminator and padding to a 4-byte boundary
    return block + LittleEndian(signature) + LittleEndian(0x00010000) + LittleEndian(high) + LittleEndian(low) +
           std::string(36, '\0');
}

TEST(FileVersionOfBlock, ReadsTheFixedFileVersion)
{
    EXPECT_EQ(FileVersionOfBlock(Block(0xFEEF04BD, 0x00010002, 0x00030004)), "1.2.3.4");
    EXPECT_EQ(FileVersionOfBlock(Block(0xFEEF04BD, 0xFFFF0000, 0x0000FFFF)), "65535.0.0.65535");
}

TEST(FileVersionOfBlock, EmptyWithoutFixedInformation)
{
    EXPECT_EQ(FileVersionOfBlock(Block(0xFEEF04BC, 0x00010002, 0x00030004)), "");
    EXPECT_EQ(FileVersionOfBlock(""), "");
    // The signature with no room for the version after it.
    EXPECT_EQ(FileVersionOfBlock(LittleEndian(0xFEEF04BD) + std::string(8, '\0')), "");
}

}  // namespace
