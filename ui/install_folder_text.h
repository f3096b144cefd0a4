// The install folder as the user typed or picked it.
#pragma once

#include <string>

// Replaces each pair of backslashes by one, in a single pass from left to
// right: a folder picked at a drive root ("C:\" + "\" + sub-path) loses its
// doubled separator, while "\\\" keeps two ("D:\\A\\\B" gives "D:\A\\B").
std::string CollapseDoubledBackslashes(const std::string& text);
