// The XML of a manifest, before it is signed. The client counts the element
// children of the first FileInfo as entries and takes entry i from the i-th
// File element of the whole document, so FileInfo holds nothing but File
// elements and nothing named File comes before it. The signature trailer goes
// between FileInfo and the root's end tag, outside FileInfo:
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <Manifest>
//     <FileInfo>
//       <File Path="Plugins" FileName="sign.dll" Digest="qZk+NkcGgWq6PiVxeFDCbJzQ2J0=" />
//       <File Path="" FileName="WebUI_811.exe" Digest="2jmj7l5rSw0yVb/vlWAYkK/YBwk=" />
//     </FileInfo>
//   [trailer]
//   </Manifest>
//
// UTF-8, "\r\n" line ends.
#pragma once

#include <string>
#include <vector>

struct ManifestEntry {
    std::string path;  // folders joined by "\", empty at the top level
    std::string fileName;
    std::string digest;  // Base64 SHA-1, 28 characters
};

struct ManifestText {
    std::string body;     // up to and including "</FileInfo>", no line end after it
    std::string closing;  // the root's end tag and the final line end
};

// Entries are written in the order given.
ManifestText WriteManifest(const std::vector<ManifestEntry>& entries);
