#include "system/folder_listing.h"

#include <cstring>

namespace {

bool IsSelfOrParentEntry(const char* name)
{
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

}  // namespace

FolderListing::FolderListing(const std::string& folder)
    : entry_(), listing_(::FindFirstFileA((folder + "\\*").c_str(), &entry_))
{
}

bool FolderListing::ForEach(const std::function<bool(const FolderItem&)>& visit)
{
    if (!listing_)
        return true;
    do {
        if (IsSelfOrParentEntry(entry_.cFileName))
            continue;
        const FolderItem item = {entry_.cFileName, (entry_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                                 (entry_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0};
        if (!visit(item))
            return false;
    } while (::FindNextFileA(listing_.get(), &entry_));
    return true;
}
