// The XML of a manifest, before it is signed. The client counts the element
// children of the first FileInfo as entries and takes entry i from the i-th
// File element of the whole document, so FileInfo holds nothing but File
// elements and nothing named File comes before it. The signature trailer goes
// between FileInfo and the root's end tag, outside FileInfo:
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <Manifest Version="1.0.0.3" Bank="811">
//     <FileInfo>
//       <File Path="Plugins" FileName="sign.dll" Digest="qZk+NkcGgWq6PiVxeFDCbJzQ2J0=" SHA256="..." Size="3" />
//       <File Path="" FileName="WebUI_811.exe" Digest="2jmj7l5rSw0yVb/vlWAYkK/YBwk=" SHA256="..." Size="0" />
//     </FileInfo>
//   [trailer]
//   </Manifest>
//
// UTF-8, "\r\n" line ends. The root's Version and Bank bind the manifest to
// one release of one bank inside the signed bytes, SHA256 backs up the SHA-1
// "Digest", and Size (bytes, decimal) lets a client start its large downloads
// early; clients that read only Path, FileName and Digest, and never look at
// the root element, read such a manifest exactly as before.
#pragma once

#include <string>
#include <vector>

struct ManifestEntry {
    std::string path;  // folders joined by "\", empty at the top level
    std::string fileName;
    std::string digest;  // Base64 SHA-1, 28 characters
    std::string sha256;  // Base64 SHA-256, 44 characters
    unsigned long long size;
};

struct ReleaseIdentity {
    std::string version;  // four dotted decimal fields, e.g. "1.0.0.3"
    std::string bank;     // the bank id as the version query sends it, e.g. "811"
};

struct ManifestText {
    std::string body;     // up to and including "</FileInfo>", no line end after it
    std::string closing;  // the root's end tag and the final line end
};

// Entries are written in the order given.
ManifestText WriteManifest(const ReleaseIdentity& release, const std::vector<ManifestEntry>& entries);
