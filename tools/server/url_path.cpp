#include "tools/server/url_path.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::string_view kSchemes[] = {"http://", "https://"};

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string HostWithoutPort(std::string_view authority)
{
    std::string_view host = authority.substr(authority.rfind('@') + 1);
    if (!host.empty() && host.front() == '[') {
        host = host.substr(1, host.find(']') - 1);
    } else {
        host = host.substr(0, host.find(':'));
    }
    std::string lower(host);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

TargetParts SplitTarget(std::string_view target)
{
    TargetParts parts;
    for (std::string_view scheme : kSchemes) {
        if (StartsWithNoCase(target, scheme)) {
            target.remove_prefix(scheme.size());
            const size_t end = std::min(target.find_first_of("/?"), target.size());
            parts.host = HostWithoutPort(target.substr(0, end));
            target.remove_prefix(end);
            break;
        }
    }
    const size_t query = target.find('?');
    parts.path = target.substr(0, query);
    if (query != std::string_view::npos) parts.query = target.substr(query + 1);
    return parts;
}

std::string PercentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const bool escape = text[i] == '%' && i + 2 < text.size();
        const int high = escape ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low >= 0) {
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string NormaliseSeparators(std::string_view path)
{
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (c == '\\') c = '/';
        if (c == '/' && !out.empty() && out.back() == '/') continue;
        out.push_back(c);
    }
    return out;
}

std::string NormalisePath(std::string_view path)
{
    return NormaliseSeparators(PercentDecode(path));
}
