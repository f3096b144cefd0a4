// Files and folders as the Windows tests set them up and inspect them (8-bit paths).
#pragma once

#include <string>
#include <vector>

// Creates the folder and every missing parent.
void MakeFolders(const std::string& path);

bool WriteFileBytes(const std::string& path, const std::string& bytes);

// False when the file cannot be opened (missing, or held without sharing).
bool ReadFileBytes(const std::string& path, std::string* bytes);

// The file's bytes; "<missing>" when it cannot be read, so a comparison names the case.
std::string ReadBytes(const std::string& path);

bool IsFolder(const std::string& path);

bool Exists(const std::string& path);

// Relative paths ("Data\a.dat") of every file below `root`, sorted.
std::vector<std::string> ListFiles(const std::string& root);

// Copies every file below `from` to the same place below `to`, making folders.
void CopyFolder(const std::string& from, const std::string& to);

// Deletes `root` and everything below it.
void RemoveTree(const std::string& root);

// A Unix path under Wine's drive Z: ("/tmp/x" gives "Z:\tmp\x").
std::string WindowsPathOf(const std::string& unixPath);

// A file of the source tree, reached through drive Z: (Wine maps the Unix root there).
std::string SourceFile(const std::string& relative);
