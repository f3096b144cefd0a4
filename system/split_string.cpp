#include "system/split_string.h"

std::vector<std::string> SplitString(const std::string& text, const std::string& delimiters)
{
    std::vector<std::string> pieces;
    size_t position = 0;
    for (;;) {
        const size_t delimiter = text.find_first_of(delimiters, position);
        if (delimiter == std::string::npos) {
            pieces.push_back(text.substr(position));
            return pieces;
        }
        pieces.push_back(text.substr(position, delimiter - position));
        position = text.find_first_not_of(delimiters, delimiter);
        if (position == std::string::npos)
            return pieces;
    }
}
