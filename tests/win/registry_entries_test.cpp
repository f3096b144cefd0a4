// The registry step under Wine's 64-bit registry: which view each key lands
// in, the values and their form, and the start-up value following autoStart.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "app/edition.h"
#include "engine/config.h"
#include "engine/registry_entries.h"
#include "engine/run_mode.h"
#include "engine/update_context.h"
#include "system/handles.h"

namespace {

const char kInstallFolder[] = "C:\\Program Files (x86)\\Aldmoor银行 网上银行\\Pellisor";
const char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kProductRoot[] = "Software\\Quillon\\WebUI\\KORVA\\";
const char kOtherProgram[] = "Other program";

struct Value {
    bool present = false;
    DWORD type = 0;
    std::string bytes;  // as stored, with the terminating zero when there is one
};

RegKey OpenKey(const std::string& keyPath, REGSAM access)
{
    HKEY key = nullptr;
    return ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, access, &key) == ERROR_SUCCESS ? RegKey(key)
                                                                                                  : RegKey();
}

Value ReadValue(const std::string& keyPath, REGSAM view, const std::string& name)
{
    Value value;
    RegKey key = OpenKey(keyPath, KEY_READ | view);
    char buffer[1024];
    DWORD size = sizeof buffer;
    if (key && ::RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.type, reinterpret_cast<BYTE*>(buffer),
                                  &size) == ERROR_SUCCESS) {
        value.present = true;
        value.bytes.assign(buffer, size);
    }
    return value;
}

bool KeyExists(const std::string& keyPath, REGSAM view)
{
    return OpenKey(keyPath, KEY_READ | view).valid();
}

// A REG_SZ value holding `text` and its terminating zero.
void ExpectText(const Value& value, const std::string& text)
{
    ASSERT_TRUE(value.present);
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.bytes, text + '\0');
}

void SetRunValue(const std::string& name, const std::string& data)
{
    HKEY created = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                                &created, nullptr),
              ERROR_SUCCESS);
    RegKey key(created);
    ::RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     static_cast<DWORD>(data.size() + 1));
}

class RegistryEntries : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetupEdition();
        installInfo.serverVersion = "2.0.0.7";
        autoStart = false;
    }
    void TearDown() override
    {
        char product[64];
        std::snprintf(product, sizeof product, "%s%x", kProductRoot, editionInfo.bankId);
        ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, product, KEY_WOW64_32KEY, 0);
        ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, (kUninstallRoot + editionInfo.productName).c_str(), KEY_WOW64_32KEY, 0);
        if (RegKey run = OpenKey(kRunKey, KEY_ALL_ACCESS | KEY_WOW64_64KEY)) {
            ::RegDeleteValueA(run.get(), editionInfo.productName.c_str());
            ::RegDeleteValueA(run.get(), kOtherProgram);
        }
        SetupEdition();
    }
    bool Write()
    {
        CUpdateContext context(nullptr, editionInfo.groupCode, kRunModeUpdate, "https://bank.example/download/811", kOfferUpdate,
                               "2.0.0.7", kInstallFolder);
        return WriteRegistryEntries(context);
    }
};

// The product key and the uninstall entry are the 32-bit programs' own, the
// start-up value belongs to the 64-bit Run key that Windows reads at logon.
TEST_F(RegistryEntries, EachKeyLandsInItsView)
{
    autoStart = true;
    ASSERT_TRUE(Write());
    const std::string product = kProductRoot + std::string("811");
    const std::string uninstall = kUninstallRoot + editionInfo.productName;
    EXPECT_TRUE(KeyExists(product, KEY_WOW64_32KEY));
    EXPECT_FALSE(KeyExists(product, KEY_WOW64_64KEY));
    EXPECT_TRUE(KeyExists(uninstall, KEY_WOW64_32KEY));
    EXPECT_FALSE(KeyExists(uninstall, KEY_WOW64_64KEY));
    EXPECT_TRUE(ReadValue(kRunKey, KEY_WOW64_64KEY, editionInfo.productName).present);
    EXPECT_FALSE(ReadValue(kRunKey, KEY_WOW64_32KEY, editionInfo.productName).present);
}

// The uninstaller's command line is quoted (the install folder may hold blanks);
// the icon is a path, not a command line.
TEST_F(RegistryEntries, UninstallEntryNamesTheInstalledPrograms)
{
    ASSERT_TRUE(Write());
    const std::string uninstall = kUninstallRoot + editionInfo.productName;
    ExpectText(ReadValue(uninstall, KEY_WOW64_32KEY, "UninstallString"),
               "\"" + std::string(kInstallFolder) + "\\uninst_811.exe\"");
    ExpectText(ReadValue(uninstall, KEY_WOW64_32KEY, "Publisher"), "Velmora科技股份有限公司");
    ExpectText(ReadValue(uninstall, KEY_WOW64_32KEY, "DisplayName"), "Aldmoor银行Pellisor");
    ExpectText(ReadValue(uninstall, KEY_WOW64_32KEY, "DisplayVersion"), "2.0.0.7");
    ExpectText(ReadValue(uninstall, KEY_WOW64_32KEY, "DisplayIcon"), kInstallFolder + std::string("\\WebUI_811.exe"));
}

// The product key's last segment is "%x" of the bank id, "BankID" and the
// start-up program "%03x".
struct BankIdCase {
    uint32_t bankId;
    const char* keySegment;
    const char* bankIdText;
    const char* startupProgram;
};

class BankIdForms : public RegistryEntries, public ::testing::WithParamInterface<BankIdCase> {};

TEST_P(BankIdForms, ProductKeyAndStartupValue)
{
    editionInfo.bankId = GetParam().bankId;
    autoStart = true;
    ASSERT_TRUE(Write());
    const std::string product = kProductRoot + std::string(GetParam().keySegment);
    ExpectText(ReadValue(product, KEY_WOW64_32KEY, "Version"), "2.0.0.7");
    ExpectText(ReadValue(product, KEY_WOW64_32KEY, "Path"), kInstallFolder);
    ExpectText(ReadValue(product, KEY_WOW64_32KEY, "BankID"), GetParam().bankIdText);
    ExpectText(ReadValue(kRunKey, KEY_WOW64_64KEY, editionInfo.productName),
               "\"" + std::string(kInstallFolder) + "\\" + GetParam().startupProgram + "\"");
}

INSTANTIATE_TEST_SUITE_P(Editions, BankIdForms,
                         ::testing::Values(BankIdCase{0x811, "811", "811", "LumaroPop_811.exe"},
                                           BankIdCase{0x1f, "1f", "01f", "LumaroPop_01f.exe"}));

// An update never shows the options dialog, so it ends without a start-up value.
TEST_F(RegistryEntries, WithoutAutoStartAnEarlierStartupValueIsRemoved)
{
    SetRunValue(editionInfo.productName, "C:\\old\\LumaroPop_811.exe");
    SetRunValue(kOtherProgram, "C:\\other.exe");
    EXPECT_TRUE(Write());
    EXPECT_FALSE(ReadValue(kRunKey, KEY_WOW64_64KEY, editionInfo.productName).present);
    EXPECT_TRUE(ReadValue(kRunKey, KEY_WOW64_64KEY, kOtherProgram).present);
}

}  // namespace
