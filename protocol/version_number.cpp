#include "protocol/version_number.h"

#include <algorithm>
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
constexpr size_t kMaxVersionText = 32;
constexpr int kMaxVersionFields = 4;
constexpr unsigned long kMaxVersionField = 65535;
constexpr size_t kMaxFieldDigits = 5;

struct FieldScan {
    bool digitsAndDots = true;  // and every field within 65535
    int fields = 1;
    bool emptyField = false;
    bool longField = false;
};

FieldScan ScanFields(const std::string& text)
{
    FieldScan scan;
    size_t digits = 0;
    unsigned long value = 0;
    for (char c : text) {
        if (c == '.') {
            scan.emptyField = scan.emptyField || digits == 0;
            ++scan.fields;
            digits = 0;
            value = 0;
        } else if (c >= '0' && c <= '9') {
            // Past 65535 the field already fails; the value only has to stay above it.
            value = std::min(value * 10 + static_cast<unsigned long>(c - '0'), kMaxVersionField + 1);
            scan.longField = scan.longField || ++digits > kMaxFieldDigits;
            if (value > kMaxVersionField)
                scan.digitsAndDots = false;
        } else {
            scan.digitsAndDots = false;
        }
    }
    scan.emptyField = scan.emptyField || digits == 0;
    return scan;
}

}  // namespace

bool IsSaneVersionText(const std::string& text)
{
    if (text.size() > kMaxVersionText)
        return false;
    const FieldScan scan = ScanFields(text);
    return scan.digitsAndDots && scan.fields <= kMaxVersionFields;
}

bool IsReleaseVersionText(const std::string& text)
{
    const FieldScan scan = ScanFields(text);
    return scan.digitsAndDots && scan.fields == kMaxVersionFields && !scan.emptyField && !scan.longField;
}

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
