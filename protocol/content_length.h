// The Content-Length of an answer as the 64-bit number it is: the platform's
// numeric query of the header gives 32 bits, which no file of 4 GiB or more
// passes, so the header is read as text and parsed here.
#pragma once

#include <cstdint>
#include <string>

// Decimal digits only ("4294967296"); false for an empty text, a sign, a
// blank, any other character, or a value beyond 2^64 - 1.
bool ParseContentLength(const std::string& text, uint64_t* length);
