#include "engine/manifest.h"

#include <tinyxml.h>

#include "system/whole_file.h"

namespace {

const char kEntryListElement[] = "FileInfo";
const char kEntryElement[] = "File";
const char kPathAttribute[] = "Path";
const char kFileNameAttribute[] = "FileName";
const char kDigestAttribute[] = "Digest";
const char kSha256Attribute[] = "SHA256";
const char kSizeAttribute[] = "Size";
const char kVersionAttribute[] = "Version";
const char kBankAttribute[] = "Bank";

// Line breaks normalised as the XML loaders of the clients do before parsing
// (CR LF and a lone CR become LF), which an attribute value can see; the text
// ends at a zero byte as it does for them.
std::string NormaliseLineBreaks(const std::string& bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i) {
        if (bytes[i] != '\r') {
            text += bytes[i];
            continue;
        }
        text += '\n';
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
    }
    return text;
}

std::string Attribute(const TiXmlElement& element, const char* name)
{
    const char* value = element.Attribute(name);
    return value != nullptr ? value : std::string();
}

size_t CountChildElements(const TiXmlElement& element)
{
    size_t count = 0;
    for (const TiXmlElement* child = element.FirstChildElement(); child; child = child->NextSiblingElement())
        ++count;
    return count;
}

// Up to 19 digits always fit: no overflow to guard against.
unsigned long long ListedSize(const std::string& text)
{
    constexpr size_t kMostDigits = 19;
    if (text.empty() || text.size() > kMostDigits)
        return 0;
    unsigned long long size = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return 0;
        size = size * 10 + static_cast<unsigned>(c - '0');
    }
    return size;
}

bool LoadDocument(const std::string& bytes, TiXmlDocument* document)
{
    // TinyXML steps over the length a UTF-8 lead byte announces without
    // looking for the end, so a lead byte among the last three bytes would
    // carry it past the terminator. Zero bytes after the text stop it there.
    constexpr size_t kLeadByteReach = 3;
    std::string text = NormaliseLineBreaks(bytes);
    text.append(kLeadByteReach, '\0');
    document->Parse(text.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    return !document->Error();
}

}  // namespace

ManifestRelease ParseManifestRelease(const std::string& bytes)
{
    TiXmlDocument document;
    if (!LoadDocument(bytes, &document) || document.RootElement() == nullptr)
        return {};
    const TiXmlElement& root = *document.RootElement();
    ManifestRelease release;
    release.named = root.Attribute(kVersionAttribute) != nullptr || root.Attribute(kBankAttribute) != nullptr;
    release.version = Attribute(root, kVersionAttribute);
    release.bank = Attribute(root, kBankAttribute);
    return release;
}

std::vector<ListedFile> ParseManifest(const std::string& bytes)
{
    TiXmlDocument document;
    if (!LoadDocument(bytes, &document))
        return {};

    // One walk, element before children before next sibling, finds both the
    // entry list and every File element.
    const TiXmlElement* entryList = nullptr;
    std::vector<const TiXmlElement*> files;
    std::vector<const TiXmlElement*> pending;  // next siblings still to walk, innermost last
    const TiXmlElement* element = document.FirstChildElement();
    while (element != nullptr || !pending.empty()) {
        if (element == nullptr) {
            element = pending.back();
            pending.pop_back();
            continue;
        }
        const std::string& name = element->ValueStr();
        if (entryList == nullptr && name == kEntryListElement)
            entryList = element;
        if (name == kEntryElement)
            files.push_back(element);
        if (const TiXmlElement* next = element->NextSiblingElement())
            pending.push_back(next);
        element = element->FirstChildElement();
    }
    if (entryList == nullptr)
        return {};

    std::vector<ListedFile> entries(CountChildElements(*entryList));
    for (size_t i = 0; i < entries.size() && i < files.size(); ++i) {
        entries[i].path = Attribute(*files[i], kPathAttribute);
        entries[i].fileName = Attribute(*files[i], kFileNameAttribute);
        entries[i].digest = Attribute(*files[i], kDigestAttribute);
        entries[i].sha256 = Attribute(*files[i], kSha256Attribute);
        entries[i].size = ListedSize(Attribute(*files[i], kSizeAttribute));
    }
    return entries;
}

std::vector<ListedFile> ReadManifestFile(const std::string& path)
{
    std::string text;
    if (!ReadWholeFile(path, &text))
        return {};
    return ParseManifest(text);
}
