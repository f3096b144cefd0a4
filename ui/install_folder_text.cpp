#include "ui/install_folder_text.h"

std::string CollapseDoubledBackslashes(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    for (size_t at = 0; at < text.size(); ++at) {
        result += text[at];
        if (text[at] == '\\' && at + 1 < text.size() && text[at + 1] == '\\')
            ++at;
    }
    return result;
}
