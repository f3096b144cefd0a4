// Who may change an install folder. Every update starts programs from it with
// administrator rights, and the Run key starts one at every user's logon, so
// nobody but SYSTEM and the administrators may write there.
#pragma once

#include <windows.h>

#include <string>

// SYSTEM and Administrators full control, Users read and execute, inherited
// by everything below and nothing inherited from above.
extern const char kProtectedFolderSddl[];

// Pure over a security descriptor: whether its owner or any ACE that allows
// access lets someone other than SYSTEM, the administrators or the installer
// service write, add or delete entries, or change permissions or owner, of
// the folder or (through inheritance) of what is created in it. No DACL at
// all lets everyone.
bool LetsOthersModify(PSECURITY_DESCRIPTOR descriptor);

// Whether the folder at `path` lets others modify it; also true when its
// security cannot be read.
bool FolderLetsOthersModify(const std::string& path);

// Whether `path` is Program Files (either view) or a folder below it, whose
// permissions Windows itself keeps.
bool IsUnderProgramFiles(const std::string& path);

// Creates the folder `path` with kProtectedFolderSddl; false when it cannot.
bool CreateProtectedFolder(const std::string& path);
