#include "protocol/version_answer.h"

#include <json/json.h>

#include <cstdlib>

namespace {

bool ReadStringMember(const Json::Value& root, const char* name, std::string* out)
{
    const Json::Value& member = root[name];
    if (member.isNull()) {
        out->clear();
        return true;
    }
    if (!member.isString())
        return false;
    *out = member.asString();
    return true;
}

constexpr size_t kMaxVersionText = 32;
constexpr int kMaxVersionFields = 4;
constexpr unsigned long kMaxVersionField = 65535;

// Four dotted decimal fields of 0..65535 at most, or nothing at all. Anything
// else would be read by atoi-style field parsing into a version that no genuine
// release can pass ("-1.0.0.0" reads as 4294967295), or overflow the buffer the
// installed version is stored from.
bool IsSaneVersionText(const std::string& text)
{
    if (text.size() > kMaxVersionText)
        return false;
    int fields = 1;
    unsigned long field = 0;
    for (char c : text) {
        if (c == '.') {
            if (++fields > kMaxVersionFields)
                return false;
            field = 0;
        } else if (c >= '0' && c <= '9') {
            field = field * 10 + static_cast<unsigned long>(c - '0');
            if (field > kMaxVersionField)
                return false;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ParseVersionAnswer(const std::string& plaintext, VersionAnswer* answer)
{
    Json::Reader reader;
    Json::Value root;
    try {
        if (!reader.parse(plaintext, root) || !root.isObject())
            return false;
    } catch (const Json::Exception&) {
        // The reader throws where nesting grows past its stack limit: an
        // answer built to end the process is a malformed answer.
        return false;
    }
    VersionAnswer parsed;
    if (!ReadStringMember(root, "v", &parsed.version) || !ReadStringMember(root, "url", &parsed.downloadUrl) ||
        !ReadStringMember(root, "update", &parsed.updateText) || !IsSaneVersionText(parsed.version))
        return false;
    *answer = parsed;
    return true;
}

int UpdateModeFromText(const std::string& text)
{
    return std::atoi(text.c_str());
}
