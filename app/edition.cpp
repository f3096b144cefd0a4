#include "app/edition.h"

#include <array>
#include <cstdio>
#include <string>

#include "engine/config.h"
#include "res/resource.h"

namespace {

struct EditionRow {
    uint32_t bankId;
    const char* displayName;
    // Scheme and host; one bank's server answers below "/assist/".
    const char* baseUrl;
    // Banks with alternative servers list the base URL again, then these three.
    std::array<const char*, 3> ipv4Urls;
    // Windows Installer product code of the old-generation assistant, if any.
    const char* oldProductCode;
};

constexpr std::array<const char*, 3> kNoAlternatives{};

constexpr EditionRow kEditions[] = {
    {0x103, "Brenholt银行", "https://ebank.brenholt.example", kNoAlternatives, "{0DCB44EF-094E-4C1E-89D5-78CAC964C063}"},
    {0x203, "Corrow银行", "https://ebank.corrow.example", kNoAlternatives, nullptr},
    {0x601, "Dunmere银行", "https://ebank.dunmere.example", kNoAlternatives, nullptr},
    {0x602, "Eskbridge银行", "https://ebank.eskbridge.example", kNoAlternatives, "{C7F104DD-3C75-426A-BE46-C97EB7F20EF2}"},
    {0x603, "Farnwick银行", "https://ebank.farnwick.example", kNoAlternatives, nullptr},
    {0x610, "Glenhollow银行", "https://ebank.glenhollow.example", kNoAlternatives, "{3DF57582-55DD-4B96-A2A9-4E672A6CA821}"},
    {0x613, "Harrowgate银行", "https://assist.harrowgate.example/assist/", kNoAlternatives, "{2DF4B8BB-608D-4983-9E8A-6DF462B95160}"},
    {0x615, "Ilverton银行", "https://ebank.ilverton.example", kNoAlternatives, "{DA014562-33AE-4751-B4FB-53C0B6F6E63D}"},
    {0x620, "Jarrowby银行", "https://ebank.jarrowby.example", kNoAlternatives, nullptr},
    {0x801, "Kestrelmoor银行", "https://ebank.kestrelmoor.example", kNoAlternatives, "{FA764585-1210-4647-8E23-733BF85AA357}"},
    {0x802, "Lindholm银行", "https://ebank.lindholm.example",
     {"https://192.0.2.10", "https://198.51.100.10", "https://203.0.113.10"}, "{AB539428-A0FD-4487-A1E3-59D656EB677A}"},
    {0x803, "Marrick银行", "https://ebank.marrick.example", kNoAlternatives, "{D69ACE82-C383-4DCE-9619-CAE309EACE64}"},
    {0x806, "Northam银行", "https://ebank.northam.example", kNoAlternatives, "{4768DB4A-FEDD-4D6C-B1FD-600F091DFA16}"},
    {0x808, "Oakhurst银行", "https://ebank.oakhurst.example", kNoAlternatives, "{D2492145-E6C7-4229-A910-9ECDC554607B}"},
    {0x809, "Penhallow银行", "https://ebank.penhallow.example", kNoAlternatives, "{8A855EB2-B7BC-45FD-95A2-69B3D39CB3A3}"},
    {0x810, "Quarrydown银行", "https://ebank.quarrydown.example", kNoAlternatives, "{70FA086A-57EB-41A8-95BD-D62C1A576732}"},
    {0x811, "Aldmoor银行", "https://ebank.aldmoor.example", kNoAlternatives, "{AD139E5C-D855-451F-8E24-0E60249B7095}"},
    {0x812, "Ravensworth银行", "https://ebank.ravensworth.example", kNoAlternatives, "{73E0CF6A-5864-4084-B61F-32A1D0733989}"},
    {0x815, "Stonebeck银行", "https://ebank.stonebeck.example",
     {"https://192.0.2.25", "https://198.51.100.25", "https://203.0.113.25"}, "{2ADD0C76-E6EA-44A7-8D07-008BA52DDEF9}"},
    {0x816, "Thornbury银行", "https://ebank.thornbury.example", kNoAlternatives, nullptr},
    {0x817, "Ulverdale银行", "https://ebank.ulverdale.example", kNoAlternatives, nullptr},
    {0x818, "Westerby银行", "https://ebank.westerby.example", kNoAlternatives, "{A57F78B8-5CFB-464F-B709-1AE840326A3D}"},
    {0x830, "Yarrowfield银行", "https://ebank.yarrowfield.example", kNoAlternatives, nullptr},
};

constexpr size_t kDisplayNameCapacity = 260;
constexpr size_t kEditionSuffixCapacity = 10;

const EditionRow* FindEdition(uint32_t bankId)
{
    for (const EditionRow& row : kEditions) {
        if (row.bankId == bankId)
            return &row;
    }
    return nullptr;
}

}  // namespace

void SetupEditionFor(uint32_t bankId)
{
    editionInfo.oldProductCode.clear();
    editionInfo.bankId = bankId;
    editionInfo.groupCode = "KORVA";

    char suffix[kEditionSuffixCapacity];
    std::snprintf(suffix, sizeof suffix, "_%03x.exe", bankId);
    std::string displayName;

    if (const EditionRow* row = FindEdition(bankId)) {
        displayName = row->displayName;
        if (displayName.size() >= kDisplayNameCapacity)
            displayName.resize(kDisplayNameCapacity - 1);
        serverInfo.serverUrl = row->baseUrl;
        if (row->ipv4Urls[0] != nullptr) {
            serverInfo.serverUrls.push_back(row->baseUrl);
            for (const char* url : row->ipv4Urls)
                serverInfo.serverUrls.push_back(url);
        }
        if (row->oldProductCode != nullptr)
            editionInfo.oldProductCode = row->oldProductCode;
    }

    installInfo.uninstallerFileName = std::string("uninst") + suffix;
    installInfo.webUiFileName = std::string("WebUI") + suffix;
    installInfo.downloaderFileName = std::string("pellis") + suffix;

    editionInfo.iconId = IDI_APP;
    editionInfo.queryBackgroundId = IDP_QUERY;
    editionInfo.installBackgroundId = IDP_INSTALL;
    editionInfo.optionBackgroundId = IDP_OPTIONS;
    editionInfo.progressBackgroundId = IDP_PROGRESS;
    editionInfo.progressBackgroundAltId = IDP_PROGRESS_ALT;
    editionInfo.updateBackgroundId = IDP_UPDATE;

    editionInfo.downloaderTitle = displayName + "Pellisor下载器";
    editionInfo.productName = displayName + "Pellisor";
    editionInfo.installSubPath = displayName + "网上银行安全组件\\" + displayName + "Pellisor";
}

void SetupEdition()
{
    SetupEditionFor(kBuildBankId);
}
