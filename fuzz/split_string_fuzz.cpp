// Path splitting over arbitrary text. The first byte picks the delimiters
// (the folder separator alone, or both separators), the rest is the path.
// The pieces must hold no delimiter and, joined again, give back the text
// with each run of delimiters shortened to one and a trailing run dropped.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "system/split_string.h"

namespace {

std::string Normalized(const std::string& text, const std::string& delimiters)
{
    std::string result;
    bool inRun = false;
    for (const char c : text) {
        const bool isDelimiter = delimiters.find(c) != std::string::npos;
        if (isDelimiter && inRun)
            continue;
        result += isDelimiter ? delimiters[0] : c;
        inRun = isDelimiter;
    }
    if (inRun)
        result.pop_back();
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const std::string delimiters = (data[0] & 1) ? "\\/" : "\\";
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<std::string> pieces = SplitString(text, delimiters);
    if (pieces.empty())
        __builtin_trap();
    std::string joined;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].find_first_of(delimiters) != std::string::npos)
            __builtin_trap();
        if (i != 0)
            joined += delimiters[0];
        joined += pieces[i];
    }
    if (joined != Normalized(text, delimiters))
        __builtin_trap();
    return 0;
}
