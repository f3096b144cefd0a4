// The file version a VERSIONINFO resource states, read from the resource's
// bytes with no help from version.dll (which is no KnownDLL everywhere, so
// loading it would search the program's folder first).
#pragma once

#include <string>

// "1.0.0.0" from the fixed file information (signature 0xFEEF04BD, on a
// 4-byte boundary) inside `block`; empty when the block holds none.
std::string FileVersionOfBlock(const std::string& block);
