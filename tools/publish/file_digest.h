// The digests a manifest lists for a file, in Base64: SHA-1 in "Digest", 28
// characters ("2jmj7l5rSw0yVb/vlWAYkK/YBwk=" for an empty file), and SHA-256
// in "SHA256", 44 characters.
#pragma once

#include <string>

struct FileDigests {
    std::string sha1;
    std::string sha256;
};

// Both digests from one read of the file; false when it cannot be read.
bool DigestFile(const std::string& path, FileDigests* digests);
