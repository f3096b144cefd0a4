// Links that someone with write access to a folder can plant: junctions and
// symbolic links (reparse points) and extra hard links. This program runs
// elevated, so acting on such a name acts on whatever it leads to.
#pragma once

#include <windows.h>

#include <string>

#include "system/handles.h"

// What a name is, read from the name itself, never from where a reparse
// point at it leads.
struct LinkFacts {
    bool exists = false;
    bool folder = false;
    bool reparsePoint = false;
    DWORD links = 0;  // names of the file (hard links)
};

// Pure: a file of one name that is no reparse point.
bool IsPlainFile(const LinkFacts& facts);
// Pure: a folder that is no reparse point.
bool IsPlainFolder(const LinkFacts& facts);

LinkFacts ReadLinkFacts(const std::string& path);
// Of the file open as `file`, which was opened at `path`.
LinkFacts ReadLinkFacts(HANDLE file, const std::string& path);

// Whether `root` and each folder of `relative` below it ("A\B", may be empty)
// are plain folders, so that a path under them reaches no other place.
bool IsPlainFolderChain(const std::string& root, const std::string& relative);

// Opens the plain file at `path` itself, without sharing delete, so it stays
// the file that was checked; no handle when it is missing or not plain.
UniqueHandle OpenPlainFile(const std::string& path, DWORD access);
