#include "system/fresh_temp_folder.h"

#include <windows.h>
#include <objbase.h>
#include <sddl.h>

#include "system/handles.h"

namespace {

// Administrators and the system only, inherited by what is created inside, and
// nothing inherited from the temporary folder: the user's own unelevated
// programs may write in the temporary folder, but not beside a program this one
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

void RemoveNowOrAtRestart(const std::string& path, BOOL(WINAPI* remove)(LPCSTR))
{
    if (!remove(path.c_str()))
        ::MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

FreshTempFolder::FreshTempFolder()
{
    char temp[MAX_PATH] = {};
    if (::GetTempPathA(sizeof temp, temp) == 0)
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
            folder_ = folder;
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
    WIN32_FIND_DATAA entry;
    FindHandle listing(::FindFirstFileA(PathOf("*").c_str(), &entry));
    if (listing) {
        do {
            // Only files are put here; "." and ".." are folders.
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                RemoveNowOrAtRestart(PathOf(entry.cFileName), ::DeleteFileA);
        } while (::FindNextFileA(listing.get(), &entry));
    }
    listing.reset();
    RemoveNowOrAtRestart(folder_, ::RemoveDirectoryA);
}
