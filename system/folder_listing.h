// The one walk over a folder's entries, for the code that empties, copies or
// clears a folder. It goes one level deep: whoever recurses decides which
// entries to enter, and must never enter or follow one that is a link.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "system/handles.h"

struct FolderItem {
    std::string name;
    bool folder;
    // A reparse point (junction, symbolic link, mount point): it may lead
    // anywhere, and a user may have planted it.
    bool link;
};

class FolderListing {
public:
    // Opens the listing; false (operator bool) when the folder cannot be listed.
    explicit FolderListing(const std::string& folder);

    explicit operator bool() const { return static_cast<bool>(listing_); }

    // Calls `visit` for every entry but exactly "." and ".." (the folder itself
    // and its parent; ".x" and "..x" are ordinary names), in the listing's
    // order, until a visit returns false. False when one did. Called once.
    bool ForEach(const std::function<bool(const FolderItem&)>& visit);

private:
    WIN32_FIND_DATAA entry_;
    FindHandle listing_;
};
