#include "system/relative_path.h"

#include <cctype>
#include <cstring>

namespace {

const char kSeparators[] = "\\/";
// Forbidden in Windows names; ':' would also select a drive or a data stream.
const char kForbiddenCharacters[] = "<>:\"|?*";

const char* const kDeviceNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
const char* const kNumberedDevicePrefixes[] = {"COM", "LPT"};
// Windows also takes "¹", "²" and "³" as port numbers.
const char* const kPortNumbers[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9",
                                    "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};

bool HasForbiddenCharacter(const std::string& text)
{
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || std::strchr(kForbiddenCharacters, c) != nullptr)
            return true;
    }
    return false;
}

// Windows opens the device for its name with any extension ("nul.txt") and
// with blanks before the extension ("nul .txt").
bool IsDeviceName(const std::string& component)
{
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    for (const char* name : kDeviceNames) {
        if (base == name)
            return true;
    }
    for (const char* prefix : kNumberedDevicePrefixes) {
        if (base.compare(0, std::strlen(prefix), prefix) != 0)
            continue;
        const std::string number = base.substr(std::strlen(prefix));
        for (const char* port : kPortNumbers) {
            if (number == port)
                return true;
        }
    }
    return false;
}

// Windows drops a trailing dot or blank when it opens a file, so "a." would
// reach "a", and "." and ".." name other folders than the entry's own.
bool IsSafeComponent(const std::string& component)
{
    return !component.empty() && component.back() != '.' && component.back() != ' ' && !IsDeviceName(component);
}

}  // namespace

bool IsSafeManifestEntry(const std::string& path, const std::string& fileName)
{
    if (HasForbiddenCharacter(path) || HasForbiddenCharacter(fileName))
        return false;
    if (fileName.find_first_of(kSeparators) != std::string::npos || !IsSafeComponent(fileName))
        return false;
    if (path.empty())
        return true;

    // Empty components are kept, so a leading separator (absolute, UNC and
    // device paths), a doubled or a trailing one fails as an empty name.
    for (size_t start = 0;;) {
        const size_t end = path.find_first_of(kSeparators, start);
        if (!IsSafeComponent(path.substr(start, end - start)))
            return false;
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}
