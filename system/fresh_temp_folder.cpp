#include "system/fresh_temp_folder.h"

#include <windows.h>
#include <objbase.h>
#include <sddl.h>

#include "system/folder_listing.h"

namespace {

// Administrators and the system only, inherited by what is created inside, and
// nothing inherited from the temporary folder: users may create files and
// folders in the system's temporary folder, but not beside a program this one
// starts with administrator rights.
const char kAdministratorsOnly[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
const char kFolderPrefix[] = "pellis-";
// Name collisions with a fresh GUID are not expected; a name someone made
// beforehand is skipped, never reused.
constexpr int kNameAttempts = 4;

std::string GuidText()
{
    GUID guid{};
    if (FAILED(::CoCreateGuid(&guid)))
        return std::string();
    char text[40];
    wsprintfA(text, "%08lx%04x%04x%02x%02x%02x%02x%02x%02x%02x%02x", guid.Data1, guid.Data2, guid.Data3,
              guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
              guid.Data4[6], guid.Data4[7]);
    return text;
}

// The Windows folder shared by all sessions (not a terminal server user's
// private one) and its "Temp". Users may add to it but hold no right to delete
// or rename what others put there, unlike in their own temporary folder.
std::string SystemTempFolder()
{
    char windows[MAX_PATH] = {};
    const UINT length = ::GetSystemWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows)
        return std::string();
    return std::string(windows) + "\\Temp\\";
}

void RemoveNowOrAtRestart(const std::string& path, BOOL(WINAPI* remove)(LPCSTR))
{
    if (!remove(path.c_str()))
        ::MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

FreshTempFolder::FreshTempFolder()
{
    const std::string temp = SystemTempFolder();
    if (temp.empty())
        return;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(kAdministratorsOnly, SDDL_REVISION_1, &descriptor,
                                                                nullptr))
        return;
    const UniqueLocal ownedDescriptor(descriptor);
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string guid = GuidText();
        if (guid.empty())
            return;
        const std::string folder = temp + (kFolderPrefix + guid);
        if (::CreateDirectoryA(folder.c_str(), &attributes)) {
            // Readers and writers may share it (the download writes inside);
            // no FILE_SHARE_DELETE, so it cannot be renamed or deleted.
            held_.reset(::CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
            if (held_)
                folder_ = folder;
            else
                ::RemoveDirectoryA(folder.c_str());
            return;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            return;
    }
}

FreshTempFolder::~FreshTempFolder()
{
    if (folder_.empty())
        return;
    {
        FolderListing listing(folder_);
        // Only files are put here.
        listing.ForEach([this](const FolderItem& item) {
            if (!item.folder)
                RemoveNowOrAtRestart(PathOf(item.name), ::DeleteFileA);
            return true;
        });
    }
    held_.reset();
    RemoveNowOrAtRestart(folder_, ::RemoveDirectoryA);
}
