// Pure helpers over request targets and URL paths.
#pragma once

#include <string>
#include <string_view>

struct TargetParts {
    std::string host;   // lower case, without port; empty when the target names none
    std::string path;   // as received, without the query
    std::string query;  // after the first "?"
};

// Splits an origin-form ("/p?q") or absolute-form ("http://h:81/p?q") target.
TargetParts SplitTarget(std::string_view target);

// "Host:Port" or "[v6]:Port" to the lower-case host alone.
std::string HostWithoutPort(std::string_view authority);

// Decodes %XY escapes; a "%" not followed by two hex digits stays as it is.
std::string PercentDecode(std::string_view text);

// "\" read as "/", runs of "/" collapsed. Update downloads join folder and
// file with "\", which may arrive raw, escaped or already turned into "/", and
// an empty folder gives "//".
std::string NormaliseSeparators(std::string_view path);

// The form in which paths are compared: NormaliseSeparators(PercentDecode(path)).
std::string NormalisePath(std::string_view path);
