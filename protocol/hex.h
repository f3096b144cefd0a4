// Reading the hexadecimal texts of the envelope and of signature trailers.
// Both cases are accepted. A character that is no digit is not an error: it
// reads as 0, and the checks behind the decoding (RSA, digest) reject the
// damage, as the peers that write these texts expect of a reader.
#pragma once

#include <cstddef>
#include <cstdint>

inline uint8_t HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<uint8_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return static_cast<uint8_t>(c - 'A' + 10);
    return 0;
}

// Reads 2 * count characters of `text` into `count` bytes.
inline void DecodeHex(const char* text, size_t count, uint8_t* out)
{
    for (size_t i = 0; i < count; ++i)
        out[i] = static_cast<uint8_t>(HexDigitValue(text[2 * i]) << 4 | HexDigitValue(text[2 * i + 1]));
}
