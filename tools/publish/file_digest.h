// The digest a manifest lists for a file: SHA-1 of its bytes in Base64, 28
// characters ("2jmj7l5rSw0yVb/vlWAYkK/YBwk=" for an empty file).
#pragma once

#include <string>

// False when the file cannot be read.
bool FileDigest(const std::string& path, std::string* digest);
