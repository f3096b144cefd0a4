#include "protocol/version_number.h"

#include <cstdlib>
#include <tuple>

namespace {

// Fields are read like atoi: blanks, a sign, digits; stored as unsigned 32
// bits, so "-1" compares as 4294967295.
uint32_t ReadField(const std::string& text)
{
    return static_cast<uint32_t>(std::atoi(text.c_str()));
}

constexpr size_t kCompactFormLength = 4;

}  // namespace

VersionNumber ParseVersion(const std::string& text)
{
    VersionNumber version;
    if (text.find('.') == std::string::npos && text.size() >= kCompactFormLength) {
        // Compact form: one digit, one digit, two digits, the rest.
        version.part[0] = ReadField(text.substr(0, 1));
        version.part[1] = ReadField(text.substr(1, 1));
        version.part[2] = ReadField(text.substr(2, 2));
        version.part[3] = ReadField(text.substr(4));
        return version;
    }
    size_t start = 0;
    for (uint32_t& part : version.part) {
        const size_t dot = text.find('.', start);
        part = ReadField(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    return version;
}

bool operator<(const VersionNumber& a, const VersionNumber& b)
{
    return std::tie(a.part[0], a.part[1], a.part[2], a.part[3]) <
           std::tie(b.part[0], b.part[1], b.part[2], b.part[3]);
}
