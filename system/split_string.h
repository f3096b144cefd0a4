// Cuts a path into its folder names.
#pragma once

#include <string>
#include <vector>

// The pieces of `text` between runs of delimiter characters (any character of
// `delimiters` delimits). A leading delimiter gives an empty first piece, a run
// counts as one delimiter, trailing delimiters give no empty last piece, and an
// empty text gives one empty piece: "\\srv\share" is "", "srv", "share".
std::vector<std::string> SplitString(const std::string& text, const std::string& delimiters);
