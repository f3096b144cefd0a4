// The assistant's files as they will lie in the install folder.
#pragma once

#include <string>
#include <vector>

struct SourceFile {
    std::string path;      // folders joined by "\", empty at the top level
    std::string fileName;
    std::string relative;  // the same joined by "/", below the source folder
};

// Every regular file below `root`, sorted by folders and name. Fails, saying
// which entry, on a symbolic link, a special file, a name that is not UTF-8 or
// an entry the install-folder rule refuses.
bool CollectSourceFiles(const std::string& root, std::vector<SourceFile>* files, std::string* error);

// "Path\FileName", or FileName alone at the top level: how the client names
// an entry and how an edition list names a file.
std::string EntryName(const SourceFile& file);
