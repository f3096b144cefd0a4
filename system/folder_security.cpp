#include "system/folder_security.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <string>

#include "system/handles.h"

const char kProtectedFolderSddl[] = "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

namespace {

// Rights over a folder that let its holder put, replace or remove what is in
// it, or hand themselves any right.
constexpr ACCESS_MASK kModifyingRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | DELETE |
                                         WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;

// "S-1-5-80-…" of the TrustedInstaller service, owner of much of Program Files.
const char kTrustedInstallerSid[] = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

bool SidIs(PSID sid, WELL_KNOWN_SID_TYPE type)
{
    return ::IsWellKnownSid(sid, type) != FALSE;
}

bool IsTrustedInstaller(PSID sid)
{
    PSID trusted = nullptr;
    if (!::ConvertStringSidToSidA(kTrustedInstallerSid, &trusted))
        return false;
    const UniqueLocal owned(trusted);
    return ::EqualSid(sid, trusted) != FALSE;
}

bool IsTrusted(PSID sid)
{
    return SidIs(sid, WinLocalSystemSid) || SidIs(sid, WinBuiltinAdministratorsSid) || IsTrustedInstaller(sid);
}

}  // namespace

bool LetsOthersModify(PSECURITY_DESCRIPTOR descriptor)
{
    PSID owner = nullptr;
    BOOL ownerDefaulted = FALSE;
    // The owner may always rewrite the DACL.
    if (!::GetSecurityDescriptorOwner(descriptor, &owner, &ownerDefaulted) || (owner != nullptr && !IsTrusted(owner)))
        return true;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted))
        return true;
    if (!present || dacl == nullptr)
        return true;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!::GetAce(dacl, i, &entry))
            return true;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        // Denials only take rights away.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if ((allowed->Mask & kModifyingRights) == 0 || IsTrusted(sid))
            continue;
        // CREATOR OWNER stands for whoever creates an entry inside, here this
        // elevated program; it never applies to the folder itself.
        if (SidIs(sid, WinCreatorOwnerSid) && (header->AceFlags & INHERIT_ONLY_ACE) != 0)
            continue;
        return true;
    }
    return false;
}

bool FolderLetsOthersModify(const std::string& path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return true;
    const UniqueLocal owned(descriptor);
    return LetsOthersModify(descriptor);
}

bool IsUnderProgramFiles(const std::string& path)
{
    for (const int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86}) {
        char root[MAX_PATH] = {};
        if (::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, root) != S_OK || root[0] == '\0')
            continue;
        const size_t length = std::char_traits<char>::length(root);
        if (path.size() >= length && ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str(),
                                                      static_cast<int>(length), root,
                                                      static_cast<int>(length)) == CSTR_EQUAL &&
            (path.size() == length || path[length] == '\\'))
            return true;
    }
    return false;
}

bool CreateProtectedFolder(const std::string& path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(kProtectedFolderSddl, SDDL_REVISION_1, &descriptor,
                                                                nullptr))
        return false;
    const UniqueLocal owned(descriptor);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    return ::CreateDirectoryA(path.c_str(), &attributes) != FALSE;
}
