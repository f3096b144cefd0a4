// A folder made new for one download below the system's own temporary folder
// (the Windows folder's "Temp"), so that nothing already lying there sits
// beside what is fetched into it (an installer started from there would load
// DLLs from its own folder), and so that the signed-in user cannot rename or
// replace it: in the user's own temporary folder its owner may rename any child
// whatever the child's DACL says.
#pragma once

#include <string>

#include "system/handles.h"

class FreshTempFolder {
public:
    // Creates the folder under an unguessable name that did not exist before,
    // writable by administrators and the system only, and holds it open
    // without delete sharing, so that nobody renames or deletes it while it
    // lives. No folder (valid() false) when that fails.
    FreshTempFolder();
    // Deletes the files in it and the folder; what cannot go yet (a program
    // still running from it) is deleted by the system at the next restart.
    ~FreshTempFolder();
    FreshTempFolder(const FreshTempFolder&) = delete;
    FreshTempFolder& operator=(const FreshTempFolder&) = delete;

    bool valid() const { return !folder_.empty(); }
    // The folder without a trailing backslash.
    const std::string& folder() const { return folder_; }
    // folder() + "\" + name.
    std::string PathOf(const std::string& name) const { return folder_ + "\\" + name; }

private:
    std::string folder_;
    UniqueHandle held_;
};
