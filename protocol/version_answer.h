// The opened answer of the version query: a JSON object with the string
// members "v" (latest version), "url" (download base URL) and "update"
// (update mode as decimal text). Comments are allowed, other members ignored.
#pragma once

#include <cstdint>
#include <string>

// The plain payload of the version query: the bank id as "%x" ("811"). The
// bank's release.json and the manifests name their bank the same way.
std::string VersionQueryMessage(uint32_t bankId);

struct VersionAnswer {
    std::string version;      // "v"
    std::string downloadUrl;  // "url"
    std::string updateText;   // "update"
};

// False when the text is not JSON, its root is not an object, one of the
// three members is present with a type other than string, or "v" is more than
// 32 characters, holds anything but digits and dots, has more than four fields
// or a field above 65535. A missing (or null) member reads as empty text.
bool ParseVersionAnswer(const std::string& plaintext, VersionAnswer* answer);

// The "update" values the bank's server sends.
enum UpdateMode : int { kNoUpdate = 0, kOfferUpdate = 1, kForceUpdate = 2 };

// The update mode as atoi reads it: leading blanks, a sign, digits; else 0.
UpdateMode UpdateModeFromText(const std::string& text);
