// Four-part version numbers as the bank's server and the registry write them.
#pragma once

#include <cstdint>
#include <string>

struct VersionNumber {
    uint32_t part[4] = {0, 0, 0, 0};
};

// "2.0.10.7" -> 2,0,10,7 (a fifth field is ignored); without dots the compact
// form "1023456" -> 1,0,23,456. Each field is read like atoi and stored as
// unsigned 32 bits. Texts the server never sends (fewer than four characters,
// fewer than three dots) are read as dotted fields with the missing ones 0.
VersionNumber ParseVersion(const std::string& text);

// Component by component, most significant first.
bool operator<(const VersionNumber& a, const VersionNumber& b);

// A version text that cannot freeze updates: at most 32 characters of digits
// and dots, at most four fields, none above 65535. Empty and short forms pass.
// Anything else would read field by field into a version no genuine release
// passes ("-1.0.0.0" reads as 4294967295).
bool IsSaneVersionText(const std::string& text);

// What the publisher writes: exactly four non-empty dotted fields of at most
// five digits, none above 65535.
bool IsReleaseVersionText(const std::string& text);
