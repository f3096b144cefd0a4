#include "protocol/resume_range.h"

#include <cinttypes>
#include <cstdio>

namespace {

// Digits only, no sign, no spaces, no overflow.
bool ReadNumber(const std::string& text, size_t* at, uint64_t* value)
{
    const size_t start = *at;
    uint64_t number = 0;
    while (*at < text.size() && text[*at] >= '0' && text[*at] <= '9') {
        const uint64_t digit = static_cast<uint64_t>(text[*at] - '0');
        if (number > (UINT64_MAX - digit) / 10)
            return false;
        number = number * 10 + digit;
        ++*at;
    }
    *value = number;
    return *at > start;
}

bool Expect(const std::string& text, size_t* at, char c)
{
    if (*at >= text.size() || text[*at] != c)
        return false;
    ++*at;
    return true;
}

// A header value goes into the next request's headers as it is: one that
// could end that header line early is no validator.
bool IsHeaderText(const std::string& text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    }
    return true;
}

}  // namespace

std::string ResumeValidator(const std::string& entityTag)
{
    const bool strongTag = entityTag.size() >= 2 && entityTag.front() == '"' && entityTag.back() == '"';
    return strongTag && IsHeaderText(entityTag) ? entityTag : std::string();
}

std::string ResumeRequestHeaders(uint64_t from, const std::string& validator)
{
    char range[64];
    std::snprintf(range, sizeof range, "Range: bytes=%" PRIu64 "-\r\n", from);
    return range + ("If-Range: " + validator + "\r\n");
}

bool ContinuesFrom(const std::string& contentRange, uint64_t from, uint64_t total)
{
    static const std::string kUnit = "bytes ";
    if (contentRange.compare(0, kUnit.size(), kUnit) != 0 || total == 0)
        return false;
    size_t at = kUnit.size();
    uint64_t first = 0;
    uint64_t last = 0;
    uint64_t length = 0;
    if (!ReadNumber(contentRange, &at, &first) || !Expect(contentRange, &at, '-') ||
        !ReadNumber(contentRange, &at, &last) || !Expect(contentRange, &at, '/') ||
        !ReadNumber(contentRange, &at, &length) || at != contentRange.size())
        return false;
    return first == from && length == total && last == total - 1 && from < total;
}

bool ContinuesHeldBytes(const ResumeAnswer& answer, const std::string& validator, uint64_t held, uint64_t total)
{
    return !validator.empty() && answer.entityTag == validator && ContinuesFrom(answer.contentRange, held, total) &&
           answer.contentLength == total - held;
}
