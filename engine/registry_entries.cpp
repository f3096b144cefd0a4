#include "engine/registry_entries.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "engine/config.h"
#include "engine/registry_paths.h"
#include "engine/update_context.h"
#include "system/handles.h"
#include "system/support_log.h"

namespace {

const char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kPublisher[] = "Velmora科技股份有限公司";
const char kStartupProgramFormat[] = "\\LumaroPop_%s.exe";

// Without a view flag the keys of this 32-bit process land in the 32-bit view
// of a 64-bit Windows, where the version check reads the product key back.
RegKey CreateKey(const std::string& path, REGSAM access, LONG* error)
{
    HKEY key = nullptr;
    *error = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                               &key, nullptr);
    return *error == ERROR_SUCCESS ? RegKey(key) : RegKey();
}

LONG SetText(const RegKey& key, const char* name, const std::string& text)
{
    return ::RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1));
}

// A path as a command line: in double quotes, or Windows runs a planted
// "D:\My.exe" for "D:\My Apps\..." at every logon and at uninstall.
std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

}  // namespace

bool WriteRegistryEntries(const CUpdateContext& context)
{
    char bankId[16];
    std::snprintf(bankId, sizeof bankId, "%03x", editionInfo.bankId);

    LONG error = ERROR_SUCCESS;
    if (RegKey product = CreateKey(ProductKeyPath(), KEY_ALL_ACCESS, &error)) {
        SetText(product, "Version", context.releaseVersion);
        SetText(product, "Path", context.installPath);
        SetText(product, "BankID", bankId);
        LogEvent("registry: product key written, version %s", context.releaseVersion.c_str());
    } else {
        LogEvent("registry: product key not created, error %ld", error);
    }

    RegKey uninstall = CreateKey(kUninstallRoot + editionInfo.productName, KEY_ALL_ACCESS, &error);
    if (!uninstall) {
        LogEvent("registry: uninstall entry not created, error %ld", error);
        return false;
    }
    SetText(uninstall, "UninstallString", Quoted(context.installPath + "\\" + installInfo.uninstallerFileName));
    SetText(uninstall, "Publisher", kPublisher);
    SetText(uninstall, "DisplayName", editionInfo.productName);
    SetText(uninstall, "DisplayVersion", installInfo.serverVersion);
    SetText(uninstall, "DisplayIcon", context.installPath + "\\" + installInfo.webUiFileName);
    uninstall.reset();

    // The Run key that a 64-bit Windows reads at logon is the 64-bit one.
    RegKey run = CreateKey(kRunKey, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &error);
    if (!run) {
        LogEvent("registry: Run key not opened, error %ld", error);
        return false;
    }
    ::RegDeleteValueA(run.get(), editionInfo.productName.c_str());
    if (autoStart) {
        char program[32];
        std::snprintf(program, sizeof program, kStartupProgramFormat, bankId);
        error = SetText(run, editionInfo.productName.c_str(), Quoted(context.installPath + program));
        if (error != ERROR_SUCCESS) {
            LogEvent("registry: start-up value not written, error %ld", error);
            return false;
        }
    }
    LogEvent("registry: uninstall entry and start-up value written (start at logon: %s)", autoStart ? "yes" : "no");
    return true;
}
