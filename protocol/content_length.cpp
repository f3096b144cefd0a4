#include "protocol/content_length.h"

#include <limits>

bool ParseContentLength(const std::string& text, uint64_t* length)
{
    if (text.empty())
        return false;
    uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    *length = value;
    return true;
}
