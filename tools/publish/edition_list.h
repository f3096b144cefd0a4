// Which files belong to the edition manifest. An edition list names them one
// relative path a line, "/" or "\" between folders; blanks around a path, blank
// lines and lines whose first non-blank is '#' are ignored.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "tools/publish/source_tree.h"

// The listed paths, each in the form of EntryName ("Plugins\a.dll").
std::set<std::string> ParseEditionList(const std::string& text);

// Splits `files` into the edition's (listed) and the common ones, keeping their
// order. Fails, naming it, when a listed path is not among `files`.
bool SplitByEditionList(const std::vector<SourceFile>& files, const std::set<std::string>& listed,
                        std::vector<SourceFile>* common, std::vector<SourceFile>* edition, std::string* error);
