// The signed manifest download and both manifest passes under Wine, against
// pellis-server serving a release published from tests/fixtures/assistant
// (tests/win/make-release.sh), with a plain window standing in for the
// progress dialog. Manifests planted here by hand are taken as the run's own:
// the passes trust what the signature check let through.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/config.h"
#include "engine/install_folders.h"
#include "engine/manifest_download.h"
#include "engine/manifest_processor.h"
#include "engine/run_mode.h"
#include "res/resource.h"
#include "system/folder_tree.h"
#include "system/log_line.h"
#include "tests/support/server_log.h"
#include "tests/support/support_log_text.h"
#include "tests/support/test_files.h"
#include "tests/win/dialog_host.h"

namespace {

const char kUrl[] = "http://bank.example/download/811";
const char kUrlPath[] = "/download/811";
const std::string kAbcDigest = "qZk+NkcGgWq6PiVxeFDCbJzQ2J0=";
const std::string kConfigDigest = "qI1vpfp4WWVMAzDM6lN39/drELY=";  // tests/fixtures/assistant/Config.ini

// Files of the release as published, by their names in the install folder.
const char* const kReleaseFiles[] = {"Digest.xml", "Digest_811.xml", "Config.ini", "Data\\说明.txt",
                                     "Plugins\\PlugA.dll"};

std::string Published(const std::string& name)
{
    return std::string("Z:") + PELLIS_ENGINE_RELEASE + "/download/" + name;
}

std::string Fixture(const std::string& name)
{
    return ReadBytes(SourceFile("tests/fixtures/assistant/" + name));
}

std::vector<std::string> RequestedPaths(size_t from)
{
    std::vector<std::string> paths;
    const std::vector<LoggedRequest> log = ReadServerLog();
    for (size_t i = from; i < log.size(); ++i)
        paths.push_back(log[i].path);
    return paths;
}

struct Listed {
    const char* path;
    const char* fileName;        // UTF-8
    const char* digest;          // null: no Digest attribute
    const char* size = nullptr;  // null: no Size attribute
};

std::string ManifestXml(const std::vector<Listed>& entries)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Manifest>\r\n<FileInfo>\r\n";
    for (const Listed& entry : entries) {
        xml += std::string("<File Path=\"") + entry.path + "\" FileName=\"" + entry.fileName + "\"";
        if (entry.digest != nullptr)
            xml += std::string(" Digest=\"") + entry.digest + "\"";
        if (entry.size != nullptr)
            xml += std::string(" Size=\"") + entry.size + "\"";
        xml += " />\r\n";
    }
    return xml + "</FileInfo>\r\n</Manifest>\r\n";
}

// As if DownloadConfiguration had accepted a manifest listing `entries`; an
// update or repair run takes it as staged beside the previous installation.
void PlantManifest(CUpdateContext& context, ManifestKind which, const std::vector<Listed>& entries)
{
    (which == kCommonManifest ? context.commonEntries : context.editionEntries) = ParseManifest(ManifestXml(entries));
    context.manifestsStaged = context.runMode != kRunModeInstall;
}

class ManifestPass : public ::testing::Test {
protected:
    // A run in `folder` with its install tree made, as the worker does first.
    CUpdateContext& StartRun(RunMode runMode, const std::string& folder)
    {
        context_ = std::make_unique<CUpdateContext>(host_.hwnd(), editionInfo.groupCode, runMode, kUrl, kOfferUpdate, "1.0.0.3",
                                                    folder);
        EXPECT_TRUE(CreateFolderTree(folder));
        CreateInstallFolders(*context_);
        return *context_;
    }

    // Sizes the overall progress as the worker does.
    void CountSteps(CUpdateContext& context)
    {
        context.totalSteps =
            CountManifestEntries(context, kEditionManifest) + CountManifestEntries(context, kCommonManifest);
        ::SendMessageA(context.overallBar, PBM_SETRANGE32, 0, context.totalSteps);
        ::SendMessageA(context.overallBar, PBM_SETPOS, 0, 0);
    }

    static void InstallRelease(const std::string& folder)
    {
        for (const char* name : kReleaseFiles)
            ASSERT_TRUE(::CopyFileA(Published(name).c_str(), (folder + "\\" + name).c_str(), FALSE)) << name;
    }

    DialogHost host_;
    std::unique_ptr<CUpdateContext> context_;
};

TEST_F(ManifestPass, FirstInstallationFetchesEveryEntryIntoTheInstallFolder)
{
    CUpdateContext& context = StartRun(kRunModeInstall, "C:\\first");
    const size_t before = ReadServerLog().size();
    ASSERT_EQ(DownloadConfiguration(context), 1);
    EXPECT_EQ(host_.Text(IDC_STATUS_TEXT), "正在下载 配置文件");
    EXPECT_EQ(host_.Text(IDC_FILE_PERCENT), "");  // manifests show no per-file progress
    EXPECT_EQ(ReadBytes("C:\\first\\Digest.xml"), ReadBytes(Published("Digest.xml")));
    EXPECT_EQ(ReadBytes("C:\\first\\Digest_811.xml"), ReadBytes(Published("Digest_811.xml")));
    EXPECT_FALSE(Exists(context.stagedCommonManifest));

    CountSteps(context);
    EXPECT_EQ(context.totalSteps, 3);
    EXPECT_EQ(ProcessManifest(context, kCommonManifest), 1);
    EXPECT_EQ(ProcessManifest(context, kEditionManifest), 1);

    EXPECT_EQ(ReadBytes("C:\\first\\Config.ini"), Fixture("Config.ini"));
    EXPECT_EQ(ReadBytes("C:\\first\\Data\\说明.txt"), Fixture("Data/说明.txt"));
    EXPECT_EQ(ReadBytes("C:\\first\\Plugins\\PlugA.dll"), Fixture("Plugins/PlugA.dll"));
    // Each manifest, then the Ed25519 signature published beside it.
    const std::vector<std::string> paths = RequestedPaths(before);
    ASSERT_EQ(paths.size(), 7u);
    EXPECT_EQ(paths[0], "/download/811/Digest.xml");
    EXPECT_EQ(paths[1], "/download/811/Digest.xml.sig");
    EXPECT_EQ(paths[2], "/download/811/Digest_811.xml");
    EXPECT_EQ(paths[3], "/download/811/Digest_811.xml.sig");
    // The common manifest's files are fetched side by side, in either order;
    // the edition's after them.
    std::vector<std::string> common(paths.begin() + 4, paths.begin() + 6);
    std::sort(common.begin(), common.end());
    EXPECT_EQ(common[0], "/download/811//Config.ini");  // an empty Path leaves "//"
    EXPECT_EQ(common[1].compare(0, 19, "/download/811/Data/"), 0) << common[1];
    EXPECT_EQ(paths[6], "/download/811/Plugins/PlugA.dll");

    EXPECT_EQ(host_.Text(IDC_STATUS_TEXT), "正在下载 PlugA.dll   3/3");
    EXPECT_EQ(host_.Text(IDC_FILE_PERCENT), "100.00%");
    EXPECT_EQ(host_.Text(IDC_OVERALL_PERCENT), "100.00%");
    EXPECT_EQ(host_.BarPosition(IDC_OVERALL_BAR), 3);
    EXPECT_EQ(context.currentStep, 4);
    EXPECT_TRUE(context.changedFiles.empty());
}

TEST_F(ManifestPass, UpdateFetchesOnlyChangedFilesIntoTheStagingFolder)
{
    CUpdateContext& context = StartRun(kRunModeUpdate, "C:\\update");
    InstallRelease("C:\\update");
    // One byte changed in a file of each manifest; both manifests still agree.
    WriteFileBytes("C:\\update\\Config.ini", Fixture("Config.ini") + "x");
    WriteFileBytes("C:\\update\\Plugins\\PlugA.dll", "changed");
    // An installed manifest that differs from the new one without changing its entries.
    const std::string installedCommon = ReadBytes(Published("Digest.xml")) + "\r\n";
    WriteFileBytes("C:\\update\\Digest.xml", installedCommon);

    const size_t before = ReadServerLog().size();
    ASSERT_EQ(DownloadConfiguration(context), 1);
    EXPECT_EQ(ReadBytes("C:\\update\\Digest.xml"), installedCommon);
    EXPECT_EQ(ReadBytes(context.stagedCommonManifest), ReadBytes(Published("Digest.xml")));
    EXPECT_EQ(ReadBytes(context.stagedEditionManifest), ReadBytes(Published("Digest_811.xml")));

    EXPECT_EQ(ProcessManifest(context, kCommonManifest), 1);
    EXPECT_EQ(context.changedFiles, std::vector<std::string>{"Config.ini"});
    EXPECT_EQ(ProcessManifest(context, kEditionManifest), 1);
    EXPECT_EQ(context.changedFiles, (std::vector<std::string>{"Config.ini", "Plugins\\PlugA.dll"}));

    EXPECT_EQ(ReadBytes("C:\\update\\DownLoad\\Config.ini"), Fixture("Config.ini"));
    EXPECT_EQ(ReadBytes("C:\\update\\DownLoad\\Plugins\\PlugA.dll"), Fixture("Plugins/PlugA.dll"));
    EXPECT_FALSE(Exists("C:\\update\\DownLoad\\Data\\说明.txt"));
    EXPECT_EQ(ReadBytes("C:\\update\\Plugins\\PlugA.dll"), "changed");  // installed files wait for the copy step

    // The edition pass steps through what the common pass collected again,
    // but each file crosses the network once.
    const std::vector<std::string> paths = RequestedPaths(before);
    ASSERT_EQ(paths.size(), 6u);
    EXPECT_EQ(paths[4], "/download/811/Config.ini");
    // The URL joins the entry's "\" in; WinINet may send it as "/" (Wine does) or escaped.
    EXPECT_TRUE(paths[5] == "/download/811/Plugins\\PlugA.dll" || paths[5] == "/download/811/Plugins%5CPlugA.dll" ||
                paths[5] == "/download/811/Plugins/PlugA.dll")
        << paths[5];

    EXPECT_EQ(host_.Text(IDC_STATUS_TEXT), "正在下载 Plugins\\PlugA.dll   2/2");
    EXPECT_EQ(host_.Text(IDC_OVERALL_PERCENT), "100.00%");
    EXPECT_EQ(host_.BarUpper(IDC_OVERALL_BAR), 2);
    EXPECT_EQ(host_.BarPosition(IDC_OVERALL_BAR), 2);
}

TEST_F(ManifestPass, UpdateWithNothingChangedFetchesNothing)
{
    CUpdateContext& context = StartRun(kRunModeUpdate, "C:\\same");
    InstallRelease("C:\\same");
    ASSERT_EQ(DownloadConfiguration(context), 1);
    const size_t before = ReadServerLog().size();
    for (ManifestKind which : {kCommonManifest, kEditionManifest}) {
        EXPECT_EQ(ProcessManifest(context, which), 1);
        EXPECT_EQ(host_.Text(IDC_STATUS_TEXT), "无需更新");
        EXPECT_EQ(host_.Text(IDC_FILE_PERCENT), "100%");
        EXPECT_EQ(host_.Text(IDC_OVERALL_PERCENT), "100%");
        for (int bar : {IDC_FILE_BAR, IDC_OVERALL_BAR}) {
            EXPECT_EQ(host_.BarUpper(bar), 1);
            EXPECT_EQ(host_.BarPosition(bar), 1);
        }
    }
    EXPECT_TRUE(context.changedFiles.empty());
    EXPECT_TRUE(RequestedPaths(before).empty());
}

// Without both manifests of the previous installation the new ones go over
// the installed ones; the passes then read those, and still fetch only the
// files whose digests differ.
TEST_F(ManifestPass, UpdateWithOneInstalledManifestReadsTheManifestsItWroteThere)
{
    CUpdateContext& context = StartRun(kRunModeUpdate, "C:\\half");
    InstallRelease("C:\\half");
    ASSERT_TRUE(::DeleteFileA("C:\\half\\Digest_811.xml"));
    WriteFileBytes("C:\\half\\Digest.xml", "an older manifest");
    WriteFileBytes("C:\\half\\Config.ini", Fixture("Config.ini") + "x");
    ASSERT_EQ(DownloadConfiguration(context), 1);
    EXPECT_EQ(ReadBytes("C:\\half\\Digest.xml"), ReadBytes(Published("Digest.xml")));
    EXPECT_EQ(ReadBytes("C:\\half\\Digest_811.xml"), ReadBytes(Published("Digest_811.xml")));
    EXPECT_FALSE(Exists(context.stagedCommonManifest));

    const size_t before = ReadServerLog().size();
    EXPECT_EQ(ProcessManifest(context, kCommonManifest), 1);
    EXPECT_EQ(ProcessManifest(context, kEditionManifest), 1);
    EXPECT_EQ(context.changedFiles, std::vector<std::string>{"Config.ini"});
    EXPECT_EQ(RequestedPaths(before), std::vector<std::string>{"/download/811/Config.ini"});
    EXPECT_EQ(ReadBytes("C:\\half\\DownLoad\\Config.ini"), Fixture("Config.ini"));
    EXPECT_EQ(host_.Text(IDC_STATUS_TEXT), "正在下载 Config.ini   1/1");
}

// Checked in memory: a manifest refused after its signatures held never
// reaches the disk, and the installed one stays byte for byte.
TEST_F(ManifestPass, ManifestsOfAnotherReleaseLeaveTheInstalledOnesAsTheyWere)
{
    CUpdateContext& context = StartRun(kRunModeUpdate, "C:\\other-release");
    WriteFileBytes("C:\\other-release\\Digest.xml", "an older manifest");
    context.serverVersion = "1.0.0.4";  // the answer names another release than the manifests
    const size_t before = ReadServerLog().size();
    EXPECT_EQ(DownloadConfiguration(context), 0);
    EXPECT_EQ(RequestedPaths(before).size(), 4u) << "both manifests and signatures were fetched and checked";
    EXPECT_EQ(ReadBytes("C:\\other-release\\Digest.xml"), "an older manifest");
    for (const char* name : {"Digest.xml.sig", "Digest_811.xml", "Digest_811.xml.sig"})
        EXPECT_FALSE(Exists(std::string("C:\\other-release\\") + name)) << name;
    EXPECT_TRUE(context.commonEntries.empty());
}

TEST_F(ManifestPass, FetchedFilesMustHaveTheListedDigest)
{
    CUpdateContext& context = StartRun(kRunModeInstall, "C:\\digest");
    PlantManifest(context, kCommonManifest, {{"", "Config.ini", kAbcDigest.c_str()}});
    context.totalSteps = 1;
    const size_t before = ReadServerLog().size();
    EXPECT_EQ(ProcessManifest(context, kCommonManifest), 0);
    EXPECT_EQ(RequestedPaths(before), std::vector<std::string>(5, "/download/811//Config.ini"));
    EXPECT_FALSE(Exists("C:\\digest\\Config.ini"));
    EXPECT_EQ(host_.Text(IDC_STATUS_TEXT), "下载Config.ini 失败");
    EXPECT_EQ(host_.Text(IDCANCEL), "下载失败");
}

// One file on a server that never answers, one that fails: once the failure
// is shown the first installation is over, without waiting for the silent
// request. Wine lets a closed request's blocked call run on to its time-out,
// so that request is still open when the pass returns: its line in the
// support log, written when the request ends, is not there yet.
TEST_F(ManifestPass, AFailedFirstInstallationEndsWithoutWaitingForTheOthers)
{
    CUpdateContext& context = StartRun(kRunModeInstall, "C:\\silent");
    PlantManifest(context, kCommonManifest,
                  {{"", "silent.dat", kAbcDigest.c_str()}, {"", "missing.dat", kAbcDigest.c_str()}});
    context.totalSteps = 2;
    const size_t before = ReadServerLog().size();
    EXPECT_EQ(ProcessManifest(context, kCommonManifest), 0);
    EXPECT_EQ(SupportLogLinesWith(ThisProgramPath(), "/silent.dat:"), 0u) << "the pass waited for the silent request";
    const std::vector<std::string> paths = RequestedPaths(before);
    EXPECT_EQ(std::count(paths.begin(), paths.end(), "/download/811//silent.dat"), 1);
    EXPECT_EQ(std::count(paths.begin(), paths.end(), "/download/811//missing.dat"), 5);
    EXPECT_EQ(host_.Text(IDC_STATUS_TEXT), "下载missing.dat 失败");
    EXPECT_EQ(host_.Text(IDCANCEL), "下载失败");
    EXPECT_EQ(host_.Text(IDC_OVERALL_PERCENT), "0.00%");
    EXPECT_EQ(host_.BarPosition(IDC_OVERALL_BAR), 0);
    EXPECT_FALSE(Exists("C:\\silent\\silent.dat"));
}

// The common pass ends with its file bar full; the edition pass's file fails
// before it reports any progress. Its line, its bar and its percentage all
// start from nothing, as in the screenshot they did not: a full bar beside "0%".
TEST_F(ManifestPass, TheFileBarStartsOverWithItsPercentage)
{
    CUpdateContext& context = StartRun(kRunModeInstall, "C:\\file-bar");
    PlantManifest(context, kCommonManifest, {{"", "Config.ini", kConfigDigest.c_str()}});
    PlantManifest(context, kEditionManifest, {{"", "missing.dat", kAbcDigest.c_str()}});
    CountSteps(context);
    ASSERT_EQ(ProcessManifest(context, kCommonManifest), 1);
    EXPECT_EQ(host_.Text(IDC_FILE_PERCENT), "100.00%");
    EXPECT_EQ(host_.BarPosition(IDC_FILE_BAR), host_.BarUpper(IDC_FILE_BAR));

    EXPECT_EQ(ProcessManifest(context, kEditionManifest), 0);
    EXPECT_EQ(host_.Text(IDC_STATUS_TEXT), "下载missing.dat 失败");
    EXPECT_EQ(host_.Text(IDC_FILE_PERCENT), "0%");
    EXPECT_EQ(host_.BarPosition(IDC_FILE_BAR), 0);
    EXPECT_EQ(host_.Text(IDC_OVERALL_PERCENT), "50.00%");
    EXPECT_EQ(host_.BarPosition(IDC_OVERALL_BAR), 1);
}

// An update tries every file; at its end the overall display shows the
// files fetched, not the steps tried.
TEST_F(ManifestPass, TheOverallBarOfAFailedUpdateShowsWhatWasFetched)
{
    CUpdateContext& context = StartRun(kRunModeUpdate, "C:\\overall");
    PlantManifest(context, kCommonManifest,
                  {{"", "missing.dat", kAbcDigest.c_str()}, {"", "Config.ini", kConfigDigest.c_str()}});
    EXPECT_EQ(ProcessManifest(context, kCommonManifest), 0);
    EXPECT_EQ(ReadBytes("C:\\overall\\DownLoad\\Config.ini"), Fixture("Config.ini"));
    EXPECT_EQ(host_.Text(IDC_STATUS_TEXT), "下载missing.dat 失败");
    EXPECT_EQ(host_.BarUpper(IDC_OVERALL_BAR), 2);
    EXPECT_EQ(host_.BarPosition(IDC_OVERALL_BAR), 1);
    EXPECT_EQ(host_.Text(IDC_OVERALL_PERCENT), "50.00%");
}

struct RefusedCase {
    const char* why;
    Listed entry;
    const char* shownName;
    const char* outside;  // where the entry points, outside the install folder
};

std::ostream& operator<<(std::ostream& out, const RefusedCase& c)
{
    return out << c.why;
}

class RefusedEntry : public ManifestPass, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedEntry, FailsTheFirstInstallationWithoutTraffic)
{
    CUpdateContext& context = StartRun(kRunModeInstall, "C:\\refused\\P");
    PlantManifest(context, kCommonManifest, {GetParam().entry, {"", "Config.ini", kConfigDigest.c_str()}});
    context.totalSteps = 2;
    const size_t before = ReadServerLog().size();
    EXPECT_EQ(ProcessManifest(context, kCommonManifest), 0);
    EXPECT_TRUE(RequestedPaths(before).empty());
    EXPECT_FALSE(Exists(GetParam().outside));
    EXPECT_FALSE(Exists("C:\\refused\\P\\Config.ini"));  // the run stops at the refused entry
    EXPECT_EQ(host_.Text(IDC_STATUS_TEXT), std::string("下载") + GetParam().shownName + " 失败");
    EXPECT_EQ(host_.Text(IDCANCEL), "下载失败");
}

INSTANTIATE_TEST_SUITE_P(
    ManifestPass, RefusedEntry,
    ::testing::Values(RefusedCase{"a folder that climbs out", {"..", "evil.txt", "qZk+NkcGgWq6PiVxeFDCbJzQ2J0="},
                                  "evil.txt", "C:\\refused\\evil.txt"},
                      RefusedCase{"a name that climbs out", {"", "..\\evil.txt", "qZk+NkcGgWq6PiVxeFDCbJzQ2J0="},
                                  "..\\evil.txt", "C:\\refused\\evil.txt"},
                      RefusedCase{"an entry without a digest", {"", "Config.ini", nullptr}, "Config.ini",
                                  "C:\\refused\\P\\Config.ini"}));

// A large entry listed after four small ones is tried before them: refused,
// it stops the first installation before any of them is requested.
TEST_F(ManifestPass, ALargeEntryStartsBeforeTheSmallOnesListedAheadOfIt)
{
    CUpdateContext& context = StartRun(kRunModeInstall, "C:\\large-first\\P");
    PlantManifest(context, kCommonManifest, {{"", "a.dat", kAbcDigest.c_str(), "65536"},
                                                    {"", "b.dat", kAbcDigest.c_str(), "65536"},
                                                    {"", "c.dat", kAbcDigest.c_str()},
                                                    {"", "d.dat", kAbcDigest.c_str(), "1048575"},
                                                    {"..", "large.bin", kAbcDigest.c_str(), "1048576"}});
    context.totalSteps = 5;
    const size_t before = ReadServerLog().size();
    EXPECT_EQ(ProcessManifest(context, kCommonManifest), 0);
    EXPECT_TRUE(RequestedPaths(before).empty());
    EXPECT_EQ(host_.Text(IDC_STATUS_TEXT), "下载large.bin 失败");
}

TEST_F(ManifestPass, RefusedEntryFailsAnUpdateThatFetchesTheRest)
{
    CUpdateContext& context = StartRun(kRunModeUpdate, "C:\\refused-update\\P");
    PlantManifest(context, kCommonManifest,
                  {{"..\\..", "evil.txt", kAbcDigest.c_str()}, {"", "Config.ini", kConfigDigest.c_str()}});
    EXPECT_EQ(ProcessManifest(context, kCommonManifest), 0);
    EXPECT_EQ(context.changedFiles, std::vector<std::string>{"Config.ini"});
    EXPECT_EQ(ReadBytes("C:\\refused-update\\P\\DownLoad\\Config.ini"), Fixture("Config.ini"));
    EXPECT_FALSE(Exists("C:\\refused-update\\evil.txt"));
    EXPECT_EQ(host_.Text(IDC_STATUS_TEXT), "下载..\\..\\evil.txt 失败") << "the pass ends with its first failure";
    EXPECT_EQ(host_.Text(IDCANCEL), "下载失败");
}

struct SecondPassCase {
    const char* why;
    const char* editionDigest;  // of Config.ini in the edition manifest; null: not listed there
    bool stagedCopyRemoved;     // between the passes
    int editionResult;
    size_t requests;  // of Config.ini in both passes
};

std::ostream& operator<<(std::ostream& out, const SecondPassCase& c)
{
    return out << c.why;
}

class SecondPass : public ManifestPass, public ::testing::WithParamInterface<SecondPassCase> {};

// The edition pass steps through the common pass's files again; what this run
// already fetched with the same digests and still has in place is shown as
// fetched without a transfer.
TEST_P(SecondPass, FetchesAFileTheRunHoldsOnlyOnce)
{
    const SecondPassCase& c = GetParam();
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-');
    CUpdateContext& context = StartRun(kRunModeUpdate, "C:\\once\\" + name);
    PlantManifest(context, kCommonManifest, {{"", "Config.ini", kConfigDigest.c_str()}});
    std::vector<Listed> edition;
    if (c.editionDigest != nullptr)
        edition.push_back({"", "Config.ini", c.editionDigest});
    PlantManifest(context, kEditionManifest, edition);
    const std::string staged = context.stagingPath + "\\Config.ini";
    const size_t before = ReadServerLog().size();

    EXPECT_EQ(ProcessManifest(context, kCommonManifest), 1);
    if (c.stagedCopyRemoved) {
        ASSERT_TRUE(::DeleteFileA(staged.c_str()));
    }
    EXPECT_EQ(ProcessManifest(context, kEditionManifest), c.editionResult);

    EXPECT_EQ(RequestedPaths(before), std::vector<std::string>(c.requests, "/download/811/Config.ini"));
    const int steps = static_cast<int>(context.changedFiles.size());
    EXPECT_EQ(host_.BarUpper(IDC_OVERALL_BAR), steps);
    if (c.editionResult == 1) {
        EXPECT_EQ(ReadBytes(staged), Fixture("Config.ini"));
        EXPECT_EQ(host_.Text(IDC_STATUS_TEXT), "正在下载 Config.ini   " + std::to_string(steps) + "/" +
                                                   std::to_string(steps));
        EXPECT_EQ(host_.Text(IDC_FILE_PERCENT), "100.00%");
        EXPECT_EQ(host_.BarPosition(IDC_FILE_BAR), host_.BarUpper(IDC_FILE_BAR));
        EXPECT_EQ(host_.Text(IDC_OVERALL_PERCENT), "100.00%");
        EXPECT_EQ(host_.BarPosition(IDC_OVERALL_BAR), steps);
    } else {
        EXPECT_EQ(host_.Text(IDC_STATUS_TEXT), "下载Config.ini 失败");
    }
}

INSTANTIATE_TEST_SUITE_P(
    ManifestPass, SecondPass,
    ::testing::Values(SecondPassCase{"listed by the common manifest only", nullptr, false, 1, 1},
                      SecondPassCase{"listed by both with the same digest", kConfigDigest.c_str(), false, 1, 1},
                      SecondPassCase{"gone from the staging folder between the passes", nullptr, true, 1, 2},
                      // Each step of the edition pass checks the edition's digest: five attempts each.
                      SecondPassCase{"listed by the edition with another digest", kAbcDigest.c_str(), false, 0,
                                     1 + 5 + 5}));

struct SameFileCase {
    const char* why;
    RunMode runMode;
    std::vector<Listed> common;
    std::vector<Listed> edition;
    int editionResult;
};

std::ostream& operator<<(std::ostream& out, const SameFileCase& c)
{
    return out << c.why;
}

class SameFile : public ManifestPass, public ::testing::WithParamInterface<SameFileCase> {};

// Windows compares file names without regard to case, so a file listed twice
// is one target: it is fetched once, under its first listing's digests in a
// first installation, and never by two downloads at once.
TEST_P(SameFile, IsFetchedOnce)
{
    const SameFileCase& c = GetParam();
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-');
    CUpdateContext& context = StartRun(c.runMode, "C:\\same-file\\" + name);
    const bool install = c.runMode == kRunModeInstall;
    PlantManifest(context, kCommonManifest, c.common);
    PlantManifest(context, kEditionManifest, c.edition);
    CountSteps(context);
    const size_t before = ReadServerLog().size();

    EXPECT_EQ(ProcessManifest(context, kCommonManifest), 1);
    EXPECT_EQ(ProcessManifest(context, kEditionManifest), c.editionResult);

    const std::string url = std::string(kUrlPath) + (install ? "//" : "/") + "Config.ini";
    EXPECT_EQ(RequestedPaths(before), std::vector<std::string>{url});
    const std::string folder = install ? context.installPath : context.stagingPath;
    EXPECT_EQ(ReadBytes(folder + "\\Config.ini"), Fixture("Config.ini"));
    EXPECT_FALSE(Exists(folder + "\\Config.ini.part"));
}

INSTANTIATE_TEST_SUITE_P(
    ManifestPass, SameFile,
    ::testing::Values(
        SameFileCase{"first installation, one name in two cases",
                     kRunModeInstall,
                     {{"", "Config.ini", kConfigDigest.c_str()}, {"", "CONFIG.INI", kConfigDigest.c_str()}},
                     {},
                     1},
        SameFileCase{"first installation, listed again with another digest",
                     kRunModeInstall,
                     {{"", "Config.ini", kConfigDigest.c_str()}, {"", "Config.ini", kAbcDigest.c_str()}},
                     {},
                     1},
        SameFileCase{"first installation, the edition lists it in other case with another digest",
                     kRunModeInstall,
                     {{"", "Config.ini", kConfigDigest.c_str()}},
                     {{"", "config.ini", kAbcDigest.c_str()}},
                     1},
        SameFileCase{"update, one name in two cases",
                     kRunModeUpdate,
                     {{"", "Config.ini", kConfigDigest.c_str()}, {"", "CONFIG.INI", kConfigDigest.c_str()}},
                     {},
                     1}));

// What a cancelled or killed first installation left beside the entries it
// was fetching goes when the next run reaches them, even when that run stops
// before it fetches them. Only the ".part" names go: a link there is never
// followed, and what the manifest does not list stays.
TEST_F(ManifestPass, AFirstInstallationRemovesPartFilesLeftBesideItsEntries)
{
    CUpdateContext& context = StartRun(kRunModeInstall, "C:\\leftover\\P");
    ::CreateDirectoryA("C:\\leftover\\P\\Data", nullptr);  // may be part of the install tree
    PlantManifest(context, kCommonManifest,
                  {{"..", "evil.txt", kAbcDigest.c_str()},
                   {"", "Config.ini", kConfigDigest.c_str()},
                   {"Data", "a.dat", kAbcDigest.c_str()},
                   {"", "linked.dll", kAbcDigest.c_str()}});
    context.totalSteps = 4;
    const std::string elsewhere = "C:\\leftover\\elsewhere.dll";
    WriteFileBytes(elsewhere, "a file elsewhere");
    const std::vector<std::string> left = {"C:\\leftover\\P\\Config.ini.part",
                                           "C:\\leftover\\P\\Data\\a.dat.part",
                                           "C:\\leftover\\P\\linked.dll.part"};
    WriteFileBytes(left[0], std::string(6000, 'x'));
    WriteFileBytes(left[1], "");
    ASSERT_TRUE(::CreateHardLinkA(left[2].c_str(), elsewhere.c_str(), nullptr));
    WriteFileBytes("C:\\leftover\\P\\notes.txt.part", "not ours");

    const size_t before = ReadServerLog().size();
    EXPECT_EQ(ProcessManifest(context, kCommonManifest), 0);  // stops at the entry that climbs out
    EXPECT_TRUE(RequestedPaths(before).empty());
    for (const std::string& part : left)
        EXPECT_FALSE(Exists(part)) << part;
    EXPECT_EQ(ReadBytes(elsewhere), "a file elsewhere");
    EXPECT_EQ(ReadBytes("C:\\leftover\\P\\notes.txt.part"), "not ours");
    EXPECT_FALSE(Exists("C:\\leftover\\evil.txt.part"));
}

// Run against a server whose common manifest carries no valid signature.
TEST(Configuration, StopsAtTheFirstManifestThatFailsItsCheck)
{
    const DialogHost host;
    CUpdateContext context(host.hwnd(), editionInfo.groupCode, kRunModeInstall, kUrl, kOfferUpdate, "1.0.0.3", "C:\\unsigned");
    ASSERT_TRUE(CreateFolderTree(context.installPath));
    WriteFileBytes(context.installedCommonManifest, "the installed manifest");
    const size_t before = ReadServerLog().size();
    EXPECT_EQ(DownloadConfiguration(context), 0);
    EXPECT_EQ(RequestedPaths(before), std::vector<std::string>{std::string(kUrlPath) + "/Digest.xml"});
    EXPECT_EQ(ReadBytes(context.installedCommonManifest), "the installed manifest");  // never overwritten
    EXPECT_FALSE(Exists(context.installedEditionManifest));
    EXPECT_EQ(host.Text(IDC_STATUS_TEXT), "正在下载 配置文件");
}

}  // namespace
