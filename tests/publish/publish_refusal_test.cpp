// What pellis-publish refuses: it says why and leaves nothing behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/publish/publish_tool.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Runs pellis-publish on a fixture in `work` and checks that it failed with
// `exitCode`, saying so, and wrote nothing into `work`.
ToolResult ExpectRefused(const TempFolder& work, const std::vector<std::string>& args, int exitCode)
{
    const std::vector<std::string> before = ListFolder(work.path());
    const ToolResult result = RunPublish(args);
    EXPECT_EQ(result.exitCode, exitCode) << result.err;
    EXPECT_EQ(result.err.rfind("pellis-publish: ", 0), 0u) << result.err;
    EXPECT_EQ(ListFolder(work.path()), before);
    return result;
}

enum class Kind { File, LinkToFile, LinkToFolder, Fifo };

struct EntryCase {
    const char* why;
    std::string relative;
    Kind kind;
    std::string shownAs;  // how the error names the entry
};

std::ostream& operator<<(std::ostream& out, const EntryCase& c)
{
    return out << c.why;
}

class UnsafeEntry : public ::testing::TestWithParam<EntryCase> {};

TEST_P(UnsafeEntry, IsRefusedAndNothingIsWritten)
{
    const EntryCase& c = GetParam();
    TempFolder work;
    WriteFile(work / "files/WebUI_811.exe", "abc");
    WriteFile(work / "outside.txt", "not to be published");
    const std::string target = work / ("files/" + c.relative);
    switch (c.kind) {
    case Kind::File:
        WriteFile(target, "x");
        break;
    case Kind::LinkToFile:
        ASSERT_EQ(symlink((work / "outside.txt").c_str(), target.c_str()), 0);
        break;
    case Kind::LinkToFolder:
        ASSERT_EQ(symlink(work.path().c_str(), target.c_str()), 0);
        break;
    case Kind::Fifo:
        ASSERT_EQ(mkfifo(target.c_str(), 0600), 0);
        break;
    }
    const ToolResult result =
        ExpectRefused(work, PublishArgs(DemoDeployDir(), work / "files", work / "release"), kExitFailed);
    EXPECT_NE(result.err.find("\"" + c.shownAs + "\""), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Entries, UnsafeEntry,
    ::testing::Values(EntryCase{"device name", "nul.txt", Kind::File, "nul.txt"},
                      EntryCase{"device name as a folder", "Plugins/AUX/a.dll", Kind::File, "Plugins/AUX/a.dll"},
                      EntryCase{"alternate data stream", "a.txt:hidden", Kind::File, "a.txt:hidden"},
                      EntryCase{"trailing dot", "Plugins./a.dll", Kind::File, "Plugins./a.dll"},
                      EntryCase{"trailing blank", "a.dll ", Kind::File, "a.dll "},
                      EntryCase{"backslash inside a name", "Plugins\\..\\..\\a.dll", Kind::File,
                                "Plugins\\..\\..\\a.dll"},
                      EntryCase{"control character", "a\x01.dll", Kind::File, "a\\x01.dll"},
                      EntryCase{"not UTF-8", "\xB2\xE5\xBC\xFE.dll", Kind::File, "\\xB2\\xE5\\xBC\\xFE.dll"},
                      EntryCase{"common manifest's name", "Digest.xml", Kind::File, "Digest.xml"},
                      EntryCase{"edition manifest's name in other case", "DIGEST_811.XML", Kind::File,
                                "DIGEST_811.XML"},
                      EntryCase{"staging folder's name", "downLoad/a.dll", Kind::File, "downLoad/a.dll"},
                      EntryCase{"link to a file", "Plugins.dll", Kind::LinkToFile, "Plugins.dll"},
                      EntryCase{"link to a folder", "Plugins", Kind::LinkToFolder, "Plugins"},
                      EntryCase{"special file", "pipe", Kind::Fifo, "pipe"}));

TEST(Publish, RefusesAnEditionListNamingAMissingFile)
{
    TempFolder work;
    WriteFile(work / "files/Plugins/sign.dll", "x");
    WriteFile(work / "edition.txt", "Plugins/sign.dll\nPlugins/missing.dll\n");
    const ToolResult result = ExpectRefused(
        work, PublishArgs(DemoDeployDir(), work / "files", work / "release", work / "edition.txt"), kExitFailed);
    EXPECT_NE(result.err.find("Plugins\\missing.dll"), std::string::npos) << result.err;
}

TEST(Publish, RefusesAFolderThatIsNotEmpty)
{
    TempFolder work;
    WriteFile(work / "files/WebUI_811.exe", "abc");
    WriteFile(work / "release/old.txt", "an earlier release");
    const ToolResult result =
        ExpectRefused(work, PublishArgs(DemoDeployDir(), work / "files", work / "release"), kExitFailed);
    EXPECT_NE(result.err.find("not an empty folder"), std::string::npos) << result.err;
    EXPECT_EQ(ListTree(work / "release"), std::vector<std::string>{"old.txt"});
    EXPECT_EQ(ReadFile(work / "release/old.txt"), "an earlier release");
}

// A signing key that is not the one the client holds would make every client
// refuse the release.
TEST(Publish, RefusesASigningKeyThatDoesNotMatchThePublicKey)
{
    TempFolder work;
    WriteFile(work / "files/WebUI_811.exe", "abc");
    WriteFile(work / "deploy/signing.pub.pem", ReadFile(DemoDeployDir() + "/signing.pub.pem"));
    const std::string command = "openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 "
                                "-pkeyopt rsa_keygen_pubexp:3 -out '" + (work / "deploy/signing.key.pem") +
                                "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const ToolResult result =
        ExpectRefused(work, PublishArgs(work / "deploy", work / "files", work / "release"), kExitFailed);
    EXPECT_NE(result.err.find("signing.key.pem does not match signing.pub.pem"), std::string::npos) << result.err;
}

enum class Edit { Replace, Remove, Append };

struct ArgumentCase {
    const char* why;
    Edit edit;
    const char* option;
    const char* value;  // none: a trailing option without a value
};

std::ostream& operator<<(std::ostream& out, const ArgumentCase& c)
{
    return out << c.why;
}

class BadArguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(BadArguments, AreRefusedWithExitCodeTwo)
{
    const ArgumentCase& c = GetParam();
    TempFolder work;
    WriteFile(work / "files/WebUI_811.exe", "abc");
    std::vector<std::string> args = PublishArgs(DemoDeployDir(), work / "files", work / "release");
    auto option = std::find(args.begin(), args.end(), c.option);
    switch (c.edit) {
    case Edit::Replace:
        ASSERT_NE(option, args.end());
        option[1] = c.value;
        break;
    case Edit::Remove:
        ASSERT_NE(option, args.end());
        args.erase(option, option + 2);
        break;
    case Edit::Append:
        args.push_back(c.option);
        if (c.value)
            args.push_back(c.value);
        break;
    }
    ExpectRefused(work, args, kExitUsage);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, BadArguments,
    ::testing::Values(ArgumentCase{"three version fields", Edit::Replace, "--version", "1.0.0"},
                      ArgumentCase{"five version fields", Edit::Replace, "--version", "1.0.0.3.4"},
                      ArgumentCase{"empty version field", Edit::Replace, "--version", "1..0.3"},
                      ArgumentCase{"letter in version", Edit::Replace, "--version", "1.0.0.3a"},
                      ArgumentCase{"signed version field", Edit::Replace, "--version", "+1.0.0.3"},
                      ArgumentCase{"version field over 32 bits", Edit::Replace, "--version", "1.0.0.4294967296"},
                      ArgumentCase{"version field the client reads as a frozen version", Edit::Replace,
                                   "--version", "1.0.0.65536"},
                      ArgumentCase{"update mode 3", Edit::Replace, "--update", "3"},
                      ArgumentCase{"update mode 01", Edit::Replace, "--update", "01"},
                      ArgumentCase{"empty update mode", Edit::Replace, "--update", ""},
                      ArgumentCase{"bank of four digits", Edit::Replace, "--bank", "0x1000"},
                      ArgumentCase{"bank not hex", Edit::Replace, "--bank", "0x81g"},
                      ArgumentCase{"bank zero", Edit::Replace, "--bank", "0x0"},
                      ArgumentCase{"URL of another scheme", Edit::Replace, "--url", "ftp://127.0.0.1/download"},
                      ArgumentCase{"URL with a blank", Edit::Replace, "--url", "http://127.0.0.1/down load"},
                      ArgumentCase{"scheme alone", Edit::Replace, "--url", "https://"},
                      ArgumentCase{"no --out", Edit::Remove, "--out", nullptr},
                      ArgumentCase{"no --files", Edit::Remove, "--files", nullptr},
                      ArgumentCase{"no --deploy", Edit::Remove, "--deploy", nullptr},
                      ArgumentCase{"unknown option", Edit::Append, "--colour", "blue"},
                      ArgumentCase{"option given twice", Edit::Append, "--bank", "0x815"},
                      ArgumentCase{"option without a value", Edit::Append, "--edition-list", nullptr},
                      ArgumentCase{"stray argument", Edit::Append, "release", nullptr}));

TEST(Publish, HelpDescribesEveryOption)
{
    const ToolResult result = RunPublish({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    for (const char* option :
         {"--deploy", "--bank", "--version", "--update", "--url", "--files", "--edition-list", "--out"})
        EXPECT_NE(result.out.find(option), std::string::npos) << option;
}

}  // namespace

// The Ed25519 pair comes whole and matched, or the deployment has none.
TEST(Publish, RefusesAnIncompleteOrMismatchedEd25519Pair)
{
    const std::string demo = DemoDeployDir();
    struct Case {
        const char* why;
        bool withPrivate, withPublic, otherPublic;
        const char* message;
    };
    const Case cases[] = {
        {"private key alone", true, false, false, "come as a pair"},
        {"public key alone", false, true, false, "come as a pair"},
        {"keys of two pairs", true, true, true, "do not belong together"},
    };
    for (const Case& c : cases) {
        TempFolder work;
        WriteFile(work / "files/WebUI_811.exe", "abc");
        for (const char* name : {"envelope.keys", "signing.pub.pem", "signing.key.pem"})
            WriteFile(work / ("deploy/" + std::string(name)), ReadFile(demo + "/" + name));
        if (c.withPrivate)
            WriteFile(work / "deploy/signing-ed25519.key.pem", ReadFile(demo + "/signing-ed25519.key.pem"));
        if (c.withPublic && !c.otherPublic)
            WriteFile(work / "deploy/signing-ed25519.pub.pem", ReadFile(demo + "/signing-ed25519.pub.pem"));
        if (c.otherPublic) {
            const std::string make = "openssl genpkey -algorithm ed25519 2>/dev/null | openssl pkey -pubout -out '" +
                                     (work / "deploy/signing-ed25519.pub.pem") + "' 2>/dev/null";
            ASSERT_EQ(std::system(make.c_str()), 0) << c.why;
        }
        const ToolResult result =
            ExpectRefused(work, PublishArgs(work / "deploy", work / "files", work / "release"), kExitFailed);
        EXPECT_NE(result.err.find(c.message), std::string::npos) << c.why << ": " << result.err;
    }
}

// A deployment folder of before the Ed25519 pair still publishes, without .sig files.
TEST(Publish, ADeploymentWithoutTheEd25519PairWritesNoSignatureFiles)
{
    TempFolder work;
    WriteFile(work / "files/WebUI_811.exe", "abc");
    for (const char* name : {"envelope.keys", "signing.pub.pem", "signing.key.pem"})
        WriteFile(work / ("deploy/" + std::string(name)), ReadFile(DemoDeployDir() + "/" + name));
    const ToolResult result = RunPublish(PublishArgs(work / "deploy", work / "files", work / "release"));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ListFolder(work / "release/download"),
              (std::vector<std::string>{"Digest.xml", "Digest_811.xml", "WebUI_811.exe"}));
}
