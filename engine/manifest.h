// Reading a component manifest. The document (UTF-8 XML) holds one element
// FileInfo whose element children are the entries, each an element File with
// the attributes Path (folders joined by "\", empty at the top level),
// FileName and Digest (base64 SHA-1). A signature trailer follows FileInfo
// inside the root element:
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <Manifest>
//     <FileInfo>
//       <File Path="Plugins" FileName="PlugA.dll" Digest="...28 characters..." />
//       <File Path="" FileName="Config.ini" Digest="..." />
//     </FileInfo>
//   <Sign>...</Sign></Manifest>
//
// Clients in the field locate the entries in a way that a manifest's layout
// must keep working with, and this reader keeps it: the number of entries is
// the number of element children of the first element named FileInfo, and
// entry i is the i-th element named File of the whole document, both found
// depth-first in document order over every top-level element. So a File
// element before FileInfo shifts every entry, and a non-File child of
// FileInfo leaves an entry without attributes at the end.
#pragma once

#include <string>
#include <vector>

// One entry, its attributes as written (UTF-8); a missing one is empty.
// Newer manifests also list "SHA256" and the file's "Size" in bytes, which
// readers of older generations never look at.
struct ListedFile {
    std::string path;
    std::string fileName;
    std::string digest;
    std::string sha256;
    // Only a hint for the order of downloads, never checked against the
    // file: 0 when missing or not 1 to 19 decimal digits.
    unsigned long long size = 0;
};

// The release a manifest names on its root element, inside the signed bytes:
//   <Manifest Version="1.0.0.3" Bank="811">
// Manifests of older releases name none; readers of older generations never
// look at the root element.
struct ManifestRelease {
    bool named = false;    // Version or Bank is present
    std::string version;   // as written; empty when missing
    std::string bank;      // the bank id as the version query sends it
};

// Pure: the release named by a manifest's bytes; not named when they are not XML.
ManifestRelease ParseManifestRelease(const std::string& bytes);

// Pure: the entries of a manifest's bytes; none when they are not XML.
std::vector<ListedFile> ParseManifest(const std::string& bytes);

// The entries of the manifest file at `path` (8-bit text); none when the file
// is missing or not XML.
std::vector<ListedFile> ReadManifestFile(const std::string& path);
