#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "engine/run_mode.h"
#include "engine/update_context.h"
#include "res/resource.h"
#include "system/handles.h"
#include "tests/win/dialog_host.h"

namespace {

// The group key as the program sees it (the test is a 32-bit program too).
void WriteGroupKey(const std::string& groupCode, const char* serverUrl, const char* path)
{
    HKEY created = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, ("Software\\Quillon\\WebUI\\" + groupCode).c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    const RegKey key(created);
    ::RegSetValueExA(key.get(), "ServerURL", 0, REG_SZ, reinterpret_cast<const BYTE*>(serverUrl),
                     static_cast<DWORD>(strlen(serverUrl) + 1));
    ::RegSetValueExA(key.get(), "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                     static_cast<DWORD>(strlen(path) + 1));
}

TEST(UpdateContext, PathsAndUrls)
{
    const DialogHost host;
    const CUpdateContext context(host.hwnd(), "KORVA", kRunModeUpdate, "https://bank.example/download/811", kForceUpdate,
                                 "1.0.0.3", "C:\\A");
    EXPECT_EQ(context.runMode, kRunModeUpdate);
    EXPECT_EQ(context.updateMode, 2);
    EXPECT_EQ(context.groupCode, "KORVA");
    EXPECT_EQ(context.serverVersion, "1.0.0.3");
    EXPECT_EQ(context.downloadUrl, "https://bank.example/download/811");
    EXPECT_EQ(context.installPath, "C:\\A");
    EXPECT_EQ(context.stagingPath, "C:\\A\\DownLoad");
    EXPECT_EQ(context.commonManifestUrl, "https://bank.example/download/811/Digest.xml");
    EXPECT_EQ(context.editionManifestUrl, "https://bank.example/download/811/Digest_811.xml");
    EXPECT_EQ(context.stagedCommonManifest, "C:\\A\\DownLoad\\Digest.xml");
    EXPECT_EQ(context.stagedEditionManifest, "C:\\A\\DownLoad\\Digest_811.xml");
    EXPECT_EQ(context.installedCommonManifest, "C:\\A\\Digest.xml");
    EXPECT_EQ(context.installedEditionManifest, "C:\\A\\Digest_811.xml");
    EXPECT_EQ(context.totalSteps, 0);
    EXPECT_EQ(context.currentStep, 1);
    EXPECT_TRUE(context.changedFiles.empty());
    EXPECT_EQ(context.dialog, host.hwnd());
    EXPECT_EQ(context.overallBar, ::GetDlgItem(host.hwnd(), IDC_OVERALL_BAR));
    EXPECT_EQ(context.overallText, ::GetDlgItem(host.hwnd(), IDC_OVERALL_PERCENT));
}

TEST(UpdateContext, JoinsWithoutNormalising)
{
    const CUpdateContext context(nullptr, "KORVA", kRunModeInstall, "http://bank.example/811/", kNoUpdate, "1", "C:\\A\\");
    EXPECT_EQ(context.commonManifestUrl, "http://bank.example/811//Digest.xml");
    EXPECT_EQ(context.stagingPath, "C:\\A\\\\DownLoad");
    EXPECT_EQ(context.installedCommonManifest, "C:\\A\\\\Digest.xml");
}

TEST(UpdateContext, EmptyValuesFallBackToTheGroupKey)
{
    WriteGroupKey("KORVA", "http://fallback.example/811", "C:\\Fallback");
    const CUpdateContext fallback(nullptr, "KORVA", kRunModeRepair, "", kNoUpdate, "1", "");
    EXPECT_EQ(fallback.downloadUrl, "http://fallback.example/811");
    EXPECT_EQ(fallback.commonManifestUrl, "http://fallback.example/811/Digest.xml");
    EXPECT_EQ(fallback.installPath, "C:\\Fallback");
    EXPECT_EQ(fallback.stagingPath, "C:\\Fallback\\DownLoad");

    const CUpdateContext given(nullptr, "KORVA", kRunModeRepair, "http://given.example", kNoUpdate, "1", "C:\\Given");
    EXPECT_EQ(given.downloadUrl, "http://given.example");
    EXPECT_EQ(given.installPath, "C:\\Given");
}

TEST(UpdateContext, NoGroupKeyGivesEmptyValues)
{
    const CUpdateContext context(nullptr, "NO-SUCH-GROUP", kRunModeUpdate, "", kNoUpdate, "1", "");
    EXPECT_EQ(context.downloadUrl, "");
    EXPECT_EQ(context.commonManifestUrl, "/Digest.xml");
    EXPECT_EQ(context.installPath, "");
    EXPECT_EQ(context.stagedCommonManifest, "\\DownLoad\\Digest.xml");
}

}  // namespace
