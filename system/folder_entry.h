// Names that a folder listing reports.
#pragma once

#include <cstring>

// True for a listing's entries "." and ".." (the folder itself and its
// parent), which a walk of the tree must never enter. Every other name, ".x"
// and "..x" among them, is an ordinary file or folder.
inline bool IsSelfOrParentEntry(const char* name)
{
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}
