#include "system/authenticode.h"

#include <softpub.h>
#include <wintrust.h>

namespace {

std::wstring WidePath(const std::string& path)
{
    const int length = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

}  // namespace

LONG CheckAuthenticode(HANDLE file, const std::string& path)
{
    const std::wstring widePath = WidePath(path);
    WINTRUST_FILE_INFO fileInfo = {};
    fileInfo.cbStruct = sizeof fileInfo;
    fileInfo.pcwszFilePath = widePath.c_str();
    fileInfo.hFile = file;  // the check reads the bytes we hold, not whatever the path names by then

    WINTRUST_DATA trust = {};
    trust.cbStruct = sizeof trust;
    trust.dwUIChoice = WTD_UI_NONE;
    // Every certificate below the root is checked for revocation, with lists
    // fetched when the cache has none. Where no list can be reached (offline,
    // a firewall), Windows' Authenticode policy by default counts that as no
    // objection, so an offline machine still installs; a certificate known to
    // be revoked is refused. Roots are withdrawn from the store, not revoked.
    trust.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
    trust.dwProvFlags = WTD_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT;
    trust.dwUnionChoice = WTD_CHOICE_FILE;
    trust.pFile = &fileInfo;
    // No state is kept, so there is nothing to release afterwards.
    trust.dwStateAction = WTD_STATEACTION_IGNORE;

    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    // INVALID_HANDLE_VALUE: no interactive user is asked anything.
    return ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
}

UniqueHandle OpenTrustedFile(const std::string& path)
{
    // Readers only: no FILE_SHARE_WRITE (no overwrite) and no FILE_SHARE_DELETE
    // (no rename or delete, which would let another file take the name). An
    // earlier writer still holding the file makes this open fail.
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || CheckAuthenticode(file.get(), path) != ERROR_SUCCESS)
        return UniqueHandle();
    return file;
}
