// A file of the source tree as the tests see it. Under Wine the tree is
// reached through drive Z:, which Wine maps to the Unix root.
#pragma once

#include <string>

inline std::string SourcePath(const std::string& relative)
{
#ifdef _WIN32
    return std::string("Z:") + PELLIS_SOURCE_DIR + "/" + relative;
#else
    return std::string(PELLIS_SOURCE_DIR) + "/" + relative;
#endif
}
