#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/edition.h"
#include "app/instance_names.h"
#include "engine/config.h"

namespace {

void ResetConfiguration()
{
    editionInfo = CEditionInfo{};
    serverInfo = CServerInfo{};
    installInfo = CInstallInfo{};
}

struct EditionCase {
    uint32_t bankId;
    const char* displayName;
    size_t alternativeCount;
    bool hasOldProductCode;
    const char* serverUrlEnding;
};

class EditionTable : public ::testing::TestWithParam<EditionCase> {
protected:
    void SetUp() override { ResetConfiguration(); }
};

TEST_P(EditionTable, FillsTheRecordsFromTheRow)
{
    const EditionCase& c = GetParam();
    SetupEditionFor(c.bankId);
    const std::string name = c.displayName;

    EXPECT_EQ(editionInfo.bankId, c.bankId);
    EXPECT_EQ(editionInfo.groupCode, "KORVA");
    EXPECT_EQ(editionInfo.downloaderTitle, name + "Pellisor下载器");
    EXPECT_EQ(editionInfo.productName, name + "Pellisor");
    EXPECT_EQ(editionInfo.installSubPath, name + "网上银行安全组件\\" + name + "Pellisor");
    EXPECT_EQ(editionInfo.iconId, 181);
    EXPECT_EQ(editionInfo.queryBackgroundId, 174);
    EXPECT_EQ(editionInfo.installBackgroundId, 175);
    EXPECT_EQ(editionInfo.optionBackgroundId, 176);
    EXPECT_EQ(editionInfo.progressBackgroundId, 177);
    EXPECT_EQ(editionInfo.progressBackgroundAltId, 178);
    EXPECT_EQ(editionInfo.updateBackgroundId, 180);

    ASSERT_EQ(serverInfo.serverUrls.size(), c.alternativeCount);
    if (c.alternativeCount > 0) {
        EXPECT_EQ(serverInfo.serverUrls.front(), serverInfo.serverUrl);
    }
    for (size_t i = 1; i < serverInfo.serverUrls.size(); ++i) {
        EXPECT_EQ(serverInfo.serverUrls[i].rfind("https://", 0), 0u) << serverInfo.serverUrls[i];
    }

    if (c.serverUrlEnding != nullptr) {
        const std::string ending = c.serverUrlEnding;
        ASSERT_GE(serverInfo.serverUrl.size(), ending.size());
        EXPECT_EQ(serverInfo.serverUrl.substr(serverInfo.serverUrl.size() - ending.size()), ending);
        EXPECT_EQ(serverInfo.serverUrl.rfind("https://", 0), 0u);
    } else {
        EXPECT_EQ(serverInfo.serverUrl, "");
    }

    if (c.hasOldProductCode) {
        ASSERT_EQ(editionInfo.oldProductCode.size(), 38u);
        EXPECT_EQ(editionInfo.oldProductCode.front(), '{');
        EXPECT_EQ(editionInfo.oldProductCode.back(), '}');
    } else {
        EXPECT_EQ(editionInfo.oldProductCode, "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EditionTable,
    ::testing::Values(EditionCase{0x811, "Aldmoor银行", 0, true, ".example"},
                      EditionCase{0x815, "Stonebeck银行", 4, true, ".example"},
                      EditionCase{0x802, "Lindholm银行", 4, true, ".example"},
                      EditionCase{0x613, "Harrowgate银行", 0, true, "/assist/"},
                      EditionCase{0x203, "Corrow银行", 0, false, ".example"},
                      EditionCase{0x999, "", 0, false, nullptr}),
    [](const ::testing::TestParamInfo<EditionCase>& info) {
        char name[16];
        std::snprintf(name, sizeof name, "bank_%x", info.param.bankId);
        return std::string(name);
    });

TEST(Edition, BuildEditionNamesItsFiles)
{
    ResetConfiguration();
    SetupEdition();
    EXPECT_EQ(editionInfo.bankId, 0x811u);
    EXPECT_EQ(editionInfo.downloaderTitle, "Aldmoor银行Pellisor下载器");
    EXPECT_EQ(editionInfo.productName, "Aldmoor银行Pellisor");
    EXPECT_EQ(editionInfo.installSubPath, "Aldmoor银行网上银行安全组件\\Aldmoor银行Pellisor");
    EXPECT_EQ(installInfo.webUiFileName, "WebUI_811.exe");
    EXPECT_EQ(installInfo.uninstallerFileName, "uninst_811.exe");
    EXPECT_EQ(installInfo.downloaderFileName, "pellis_811.exe");
    EXPECT_EQ(InstanceMutexName(editionInfo), "downloader_KORVA_811");
    EXPECT_EQ(InstanceMessageName(editionInfo), "tiro_detect_tools_single_msgidKORVA_2065");
}

TEST(Edition, OnlyTheRowsWithoutOldGenerationLeaveItsCodeEmpty)
{
    const std::vector<uint32_t> all = {0x103, 0x203, 0x601, 0x602, 0x603, 0x610, 0x613, 0x615,
                                       0x620, 0x801, 0x802, 0x803, 0x806, 0x808, 0x809, 0x810,
                                       0x811, 0x812, 0x815, 0x816, 0x817, 0x818, 0x830};
    const std::vector<uint32_t> withoutOld = {0x203, 0x601, 0x603, 0x620, 0x816, 0x817, 0x830};
    for (uint32_t bankId : all) {
        ResetConfiguration();
        SetupEditionFor(bankId);
        const bool expectEmpty =
            std::find(withoutOld.begin(), withoutOld.end(), bankId) != withoutOld.end();
        EXPECT_EQ(editionInfo.oldProductCode.empty(), expectEmpty) << std::hex << bankId;
        EXPECT_FALSE(editionInfo.productName == "Pellisor") << std::hex << bankId << " has no display name";
        const bool hasAlternatives = bankId == 0x802 || bankId == 0x815;
        EXPECT_EQ(serverInfo.serverUrls.size(), hasAlternatives ? 4u : 0u) << std::hex << bankId;
    }
}

TEST(Edition, SmallCodesArePaddedToThreeDigits)
{
    ResetConfiguration();
    SetupEditionFor(0x42);
    EXPECT_EQ(installInfo.webUiFileName, "WebUI_042.exe");
    EXPECT_EQ(InstanceMutexName(editionInfo), "downloader_KORVA_042");
    EXPECT_EQ(InstanceMessageName(editionInfo), "tiro_detect_tools_single_msgidKORVA_66");
}

#ifdef _WIN32
// The program's texts are GBK: the display name's two Chinese characters are
// D2 F8 D0 D0 in code page 936.
TEST(Edition, TextsAreGbk)
{
    ResetConfiguration();
    SetupEdition();
    EXPECT_EQ(editionInfo.productName, std::string("Aldmoor\xD2\xF8\xD0\xD0Pellisor"));
}
#endif

}  // namespace
