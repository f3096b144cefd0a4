#include "tools/publish/source_tree.h"

#include <openssl/asn1.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "system/relative_path.h"

namespace fs = std::filesystem;

namespace {

// The client converts every manifest text from UTF-8; a name that is not
// UTF-8 would reach it as an empty or garbled name.
bool IsUtf8(const std::string& text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    size_t at = 0;
    while (at < text.size()) {
        unsigned long character = 0;
        const int length = UTF8_getc(bytes + at, static_cast<int>(text.size() - at), &character);
        if (length <= 0)
            return false;
        at += static_cast<size_t>(length);
    }
    return true;
}

std::string Join(const std::vector<std::string>& parts, char separator)
{
    std::string joined;
    for (const std::string& part : parts) {
        if (!joined.empty())
            joined += separator;
        joined += part;
    }
    return joined;
}

// The name as it can be shown on a terminal: control characters, and with
// `allBytes` every byte outside ASCII, as \xNN.
std::string Printable(const std::string& name, bool allBytes)
{
    std::string shown;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F || (allBytes && c >= 0x80)) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        } else {
            shown += static_cast<char>(c);
        }
    }
    return shown;
}

bool Refuse(std::string* error, const fs::path& relative, const char* why, bool notUtf8 = false)
{
    *error = "\"" + Printable(relative.string(), notUtf8) + "\": " + why;
    return false;
}

}  // namespace

bool CollectSourceFiles(const std::string& root, std::vector<SourceFile>* files, std::string* error)
{
    std::error_code ec;
    if (!fs::is_directory(root, ec)) {
        *error = root + ": not a folder";
        return false;
    }

    std::vector<std::vector<std::string>> found;
    fs::recursive_directory_iterator it(root, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path relative = it->path().lexically_relative(root);
        const fs::file_status status = it->symlink_status(ec);
        if (ec)
            break;
        // A link could pull in a file from outside the folder the bank reviewed.
        if (fs::is_symlink(status))
            return Refuse(error, relative, "symbolic links are not published");
        if (fs::is_directory(status))
            continue;
        if (!fs::is_regular_file(status))
            return Refuse(error, relative, "not a regular file");

        if (!IsUtf8(relative.string()))
            return Refuse(error, relative, "name is not valid UTF-8", true);
        std::vector<std::string> parts;
        for (const fs::path& part : relative) {
            // On Windows it would split the name into two folders.
            if (part.string().find('\\') != std::string::npos)
                return Refuse(error, relative, "a name contains a backslash");
            parts.push_back(part.string());
        }
        const std::string fileName = parts.back();
        parts.pop_back();
        if (!IsSafeManifestEntry(Join(parts, '\\'), fileName))
            return Refuse(error, relative, "name not allowed in the install folder (device name, ':', '..', "
                                           "trailing dot or blank, or a character Windows forbids)");
        parts.push_back(fileName);
        found.push_back(parts);
    }
    if (ec) {
        *error = root + ": " + ec.message();
        return false;
    }

    std::sort(found.begin(), found.end());
    files->clear();
    for (std::vector<std::string>& parts : found) {
        SourceFile file;
        file.relative = Join(parts, '/');
        file.fileName = parts.back();
        parts.pop_back();
        file.path = Join(parts, '\\');
        files->push_back(file);
    }
    return true;
}

std::string EntryName(const SourceFile& file)
{
    return file.path.empty() ? file.fileName : file.path + "\\" + file.fileName;
}
