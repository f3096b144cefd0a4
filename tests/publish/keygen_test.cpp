// pellis-keygen makes a deployment folder that pellis-publish can use, and
// never writes key material anywhere but into new files of its own.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/publish/publish_tool.h"

namespace {

const std::vector<std::string> kKeyFiles = {"codesign.crt.pem",        "codesign.key.pem",
                                            "envelope.keys",           "signing-ed25519.key.pem",
                                            "signing-ed25519.pub.pem", "signing.key.pem",
                                            "signing.pub.pem"};

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

TEST(Keygen, WritesAPrivateFolderThatPublishes)
{
    TempFolder work;
    const ToolResult made = RunTool(PELLIS_KEYGEN_TOOL, {work / "deploy"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(ListFolder(work / "deploy"), kKeyFiles);
    EXPECT_EQ(ModeOf(work / "deploy"), 0700u);
    for (const std::string& name : kKeyFiles)
        EXPECT_EQ(ModeOf(work / ("deploy/" + name)), 0600u) << name;

    // The certificate signs code and nothing else, and is no authority.
    const std::string text = work / "cert.txt";
    ASSERT_EQ(std::system(("openssl x509 -noout -text -in '" + (work / "deploy/codesign.crt.pem") + "' > '" + text +
                           "'").c_str()),
              0);
    const std::string cert = ReadFile(text);
    EXPECT_NE(cert.find("Code Signing"), std::string::npos) << cert;
    EXPECT_NE(cert.find("CA:FALSE"), std::string::npos) << cert;
    EXPECT_NE(cert.find("sha256WithRSAEncryption"), std::string::npos) << cert;

    WriteFile(work / "files/WebUI_811.exe", "abc");
    const ToolResult published = RunPublish(PublishArgs(work / "deploy", work / "files", work / "release"));
    ASSERT_EQ(published.exitCode, 0) << published.err;
    EXPECT_EQ(ListFolder(work / "release/download"),
              (std::vector<std::string>{"Digest.xml", "Digest.xml.sig", "Digest_811.xml", "Digest_811.xml.sig",
                                        "WebUI_811.exe"}));
}

// An existing key file, or a link planted at a key file's name (to a file or
// to a name that does not exist yet), stops the run before anything is
// written: the existing file stays as it was, and no key lands where the link
// points.
TEST(Keygen, RefusesExistingFilesAndPlantedLinks)
{
    enum class Planted { File, LinkToFile, DanglingLink };
    for (const std::string& name : kKeyFiles) {
        for (Planted planted : {Planted::File, Planted::LinkToFile, Planted::DanglingLink}) {
            TempFolder work;
            WriteFile(work / "elsewhere.txt", "someone else's file");
            ASSERT_EQ(mkdir((work / "deploy").c_str(), 0700), 0);
            const std::string at = work / ("deploy/" + name);
            if (planted == Planted::File)
                WriteFile(at, "old key");
            else
                ASSERT_EQ(symlink((work / (planted == Planted::LinkToFile ? "elsewhere.txt" : "stolen.key")).c_str(),
                                  at.c_str()),
                          0);
            const ToolResult result = RunTool(PELLIS_KEYGEN_TOOL, {work / "deploy"});
            EXPECT_EQ(result.exitCode, 1) << name;
            EXPECT_NE(result.err.find("refusing to replace"), std::string::npos) << name << ": " << result.err;
            EXPECT_EQ(ListFolder(work / "deploy"), std::vector<std::string>{name}) << name;
            EXPECT_EQ(ListFolder(work.path()), (std::vector<std::string>{"deploy", "elsewhere.txt"})) << name;
            EXPECT_EQ(ReadFile(work / "elsewhere.txt"), "someone else's file") << name;
            if (planted == Planted::File) {
                EXPECT_EQ(ReadFile(at), "old key") << name;
            }
        }
    }
}

}  // namespace
