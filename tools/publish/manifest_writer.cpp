#include "tools/publish/manifest_writer.h"

namespace {

const char kLineEnd[] = "\r\n";

std::string EscapeAttribute(const std::string& value)
{
    std::string escaped;
    for (char c : value) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&apos;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

}  // namespace

ManifestText WriteManifest(const ReleaseIdentity& release, const std::vector<ManifestEntry>& entries)
{
    ManifestText text;
    text.body = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") + kLineEnd + "<Manifest Version=\"" +
                EscapeAttribute(release.version) + "\" Bank=\"" + EscapeAttribute(release.bank) + "\">" + kLineEnd +
                "  <FileInfo>" + kLineEnd;
    for (const ManifestEntry& entry : entries) {
        text.body += "    <File Path=\"" + EscapeAttribute(entry.path) + "\" FileName=\"" +
                     EscapeAttribute(entry.fileName) + "\" Digest=\"" + EscapeAttribute(entry.digest) +
                     "\" SHA256=\"" + EscapeAttribute(entry.sha256) + "\" Size=\"" + std::to_string(entry.size) + "\" />" +
                     kLineEnd;
    }
    text.body += "  </FileInfo>";
    text.closing = std::string("</Manifest>") + kLineEnd;
    return text;
}
