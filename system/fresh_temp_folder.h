// A folder made new below the temporary folder for one download, so that
// nothing already lying in the temporary folder sits beside what is fetched
// into it: an installer started from there would load DLLs from its own folder.
#pragma once

#include <string>

class FreshTempFolder {
public:
    // Creates the folder under an unguessable name that did not exist before,
    // writable by administrators and the system only. No folder (valid() false)
    // when that fails.
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
};
