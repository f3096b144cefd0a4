#include "protocol/version_answer.h"

#include <json/json.h>

#include <cstdio>
#include <cstdlib>

#include "protocol/version_number.h"

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

}  // namespace

std::string VersionQueryMessage(uint32_t bankId)
{
    char text[16];
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(bankId));
    return text;
}

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

UpdateMode UpdateModeFromText(const std::string& text)
{
    // Any int is a value of the type; one that names no mode stays as read.
    return static_cast<UpdateMode>(std::atoi(text.c_str()));
}
