#include "system/authenticode.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cstring>

#include "system/signer_name.h"

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

// `length` UTF-16 units, NULs included: a NUL inside a name must stay visible
// to the comparison.
std::string Utf8Of(const WCHAR* text, int length)
{
    if (length <= 0)
        return std::string();
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string utf8(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, length, &utf8[0], size, nullptr, nullptr);
    return utf8;
}

// A name attribute's text in UTF-8, with every byte its encoding holds. The
// plain decoder (X509_NAME) keeps the ASCII string types as their bytes and
// gives UTF8String and BMPString as UTF-16, each with its exact length; the
// Unicode decoder (X509_UNICODE_NAME) counts a NUL terminator into the length
// under Wine 8 and not on Windows, which would make the comparison depend on
// the platform. Other string types (teletex and the like) are not used for a
// publisher's name by certification authorities and give a text that never
// matches.
std::string AttributeText(const CERT_RDN_ATTR& attribute)
{
    const CERT_RDN_VALUE_BLOB& value = attribute.Value;
    switch (attribute.dwValueType) {
        case CERT_RDN_PRINTABLE_STRING:
        case CERT_RDN_IA5_STRING:
        case CERT_RDN_NUMERIC_STRING:
        case CERT_RDN_VISIBLE_STRING:
            return std::string(reinterpret_cast<const char*>(value.pbData), value.cbData);
        case CERT_RDN_UTF8_STRING:
        case CERT_RDN_BMP_STRING:
            return Utf8Of(reinterpret_cast<const WCHAR*>(value.pbData), static_cast<int>(value.cbData / sizeof(WCHAR)));
        default:
            return std::string();
    }
}

// Every common name of the certificate's subject, each with its encoded
// length: a display name (CertGetNameString) stops at a NUL and shows one
// common name of several.
std::vector<std::string> CommonNamesOf(PCCERT_CONTEXT certificate)
{
    std::vector<std::string> names;
    CERT_NAME_INFO* subject = nullptr;
    DWORD size = 0;
    if (!::CryptDecodeObjectEx(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, X509_NAME,
                               certificate->pCertInfo->Subject.pbData, certificate->pCertInfo->Subject.cbData,
                               CRYPT_DECODE_ALLOC_FLAG, nullptr, &subject, &size))
        return names;
    const UniqueLocal ownedSubject(subject);
    for (DWORD rdn = 0; rdn < subject->cRDN; ++rdn) {
        for (DWORD at = 0; at < subject->rgRDN[rdn].cRDNAttr; ++at) {
            const CERT_RDN_ATTR& attribute = subject->rgRDN[rdn].rgRDNAttr[at];
            if (std::strcmp(attribute.pszObjId, szOID_COMMON_NAME) == 0)
                names.push_back(AttributeText(attribute));
        }
    }
    return names;
}

}  // namespace

LONG CheckAuthenticode(HANDLE file, const std::string& path, std::vector<std::string>* signerCommonNames)
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
    // The state is kept so that the signer is read from the very signature the
    // check accepted, not from a second parse of the file.
    trust.dwStateAction = WTD_STATEACTION_VERIFY;

    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    // INVALID_HANDLE_VALUE: no interactive user is asked anything.
    const LONG verdict = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
    const TrustState state(&trust);
    if (verdict != ERROR_SUCCESS || signerCommonNames == nullptr)
        return verdict;
    CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(trust.hWVTStateData);
    CRYPT_PROVIDER_SGNR* signer = provider ? ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
    // The chain starts with the certificate that made the signature.
    CRYPT_PROVIDER_CERT* leaf = signer ? ::WTHelperGetProvCertFromChain(signer, 0) : nullptr;
    *signerCommonNames = leaf && leaf->pCert ? CommonNamesOf(leaf->pCert) : std::vector<std::string>();
    return verdict;
}

UniqueHandle OpenTrustedFile(const std::string& path, const std::string& expectedSigner)
{
    // Readers only: no FILE_SHARE_WRITE (no overwrite) and no FILE_SHARE_DELETE
    // (no rename or delete, which would let another file take the name). An
    // earlier writer still holding the file makes this open fail.
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    std::vector<std::string> signerCommonNames;
    // A chain to a trusted root says only that some authority knows the
    // signer; the deployment names the one publisher whose packages may run.
    if (!file || CheckAuthenticode(file.get(), path, &signerCommonNames) != ERROR_SUCCESS ||
        !IsExpectedSigner(expectedSigner, signerCommonNames))
        return UniqueHandle();
    return file;
}
