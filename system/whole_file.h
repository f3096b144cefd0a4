// Reading a file into memory in one go, for files small enough to hold whole:
// keys, manifests, signatures, release texts.
#pragma once

#include <string>

// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* contents);
