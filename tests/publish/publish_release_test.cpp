// One small release, published once and read back the way the client reads it.
#include <gtest/gtest.h>
#include <json/json.h>
#include <tinyxml.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "protocol/detached_signature.h"
#include "protocol/signed_file.h"
#include "tests/publish/publish_tool.h"

namespace fs = std::filesystem;

namespace {

struct SourceFixture {
    const char* relative;
    std::string contents;
};

// Top level, "Plugins", a Chinese folder and file name, a name that needs
// escaping, an empty and a binary file.
const SourceFixture kSources[] = {
    {"WebUI_811.exe", "abc"},
    {"empty.dat", ""},
    {"R&D 'notes'.txt", "&'\n"},
    {"Plugins/sign.dll", "plug-in\n"},
    {"Plugins/edition.cfg", "edition=811\n"},
    {"Plugins/数据/说明.txt", "说明\r\n"},
    {"banner_811.png", std::string("\x89PNG\r\n\x1a\n\0\0", 10)},
};

// Comments, blank lines, blanks around a path, both separators, a CRLF line.
const char kEditionList[] =
    "# files of bank 811 only\n"
    "\n"
    "banner_811.png\n"
    "  Plugins\\edition.cfg  \r\n"
    "Plugins/数据/说明.txt\n";

struct Entry {
    std::string path;
    std::string fileName;
    std::string digest;
    bool operator==(const Entry& other) const
    {
        return path == other.path && fileName == other.fileName && digest == other.digest;
    }
};

std::ostream& operator<<(std::ostream& out, const Entry& e)
{
    return out << "{\"" << e.path << "\", \"" << e.fileName << "\", " << e.digest << "}";
}

// Digests from `openssl dgst -sha1 -binary FILE | base64` over the contents
// above, in the order of the sorted relative paths.
const std::vector<Entry> kCommonEntries = {
    {"Plugins", "sign.dll", "fFvGrd6ezailNhIndRxnYgpEU58="},
    {"", "R&D 'notes'.txt", "4shqVgcDevVZ67Rl53dZ2btSmM0="},
    {"", "WebUI_811.exe", "qZk+NkcGgWq6PiVxeFDCbJzQ2J0="},
    {"", "empty.dat", "2jmj7l5rSw0yVb/vlWAYkK/YBwk="},
};
const std::vector<Entry> kEditionEntries = {
    {"Plugins", "edition.cfg", "IsShJTf8JKA4tzau3uQaGJNM0iU="},
    {"Plugins\\数据", "说明.txt", "T+zojAczpuYdgvIm1zedFSLu+vQ="},
    {"", "banner_811.png", "eDa4wdQK0X1bIWupbXPB8SwEU6E="},
};

// The client's search: elements depth-first in document order, over all
// top-level elements, counting those called `name` until the index-th.
const TiXmlElement* FindElement(const TiXmlNode* first, const char* name, int index, int* seen)
{
    for (const TiXmlNode* node = first; node; node = node->NextSibling()) {
        const TiXmlElement* element = node->ToElement();
        if (!element)
            continue;
        if (element->ValueStr() == name && ++*seen == index)
            return element;
        if (const TiXmlElement* found = FindElement(element->FirstChild(), name, index, seen))
            return found;
    }
    return nullptr;
}

const TiXmlElement* FindElement(const TiXmlDocument& document, const char* name, int index)
{
    int seen = 0;
    return FindElement(document.FirstChild(), name, index, &seen);
}

std::string AttributeOf(const TiXmlElement* element, const char* name)
{
    const char* value = element ? element->Attribute(name) : nullptr;
    return value ? value : "";
}

// Entry count from the first FileInfo's element children; entry i from the
// i-th File of the document.
std::vector<Entry> ReadAsTheClient(const std::string& path)
{
    TiXmlDocument document;
    if (!document.LoadFile(path.c_str()))
        return {};
    const TiXmlElement* fileInfo = FindElement(document, "FileInfo", 1);
    int count = 0;
    for (const TiXmlElement* child = fileInfo ? fileInfo->FirstChildElement() : nullptr; child;
         child = child->NextSiblingElement())
        ++count;
    std::vector<Entry> entries;
    for (int i = 1; i <= count; ++i) {
        const TiXmlElement* file = FindElement(document, "File", i);
        entries.push_back({AttributeOf(file, "Path"), AttributeOf(file, "FileName"), AttributeOf(file, "Digest")});
    }
    return entries;
}

class PublishedRelease : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        work_ = std::make_unique<TempFolder>();
        for (const SourceFixture& source : kSources)
            WriteFile(*work_ / ("files/" + std::string(source.relative)), source.contents);
        WriteFile(*work_ / "edition.txt", kEditionList);
        // An existing empty folder is a valid target.
        fs::create_directory(*work_ / "release");
        result_ =
            RunPublish(PublishArgs(DemoDeployDir(), *work_ / "files", *work_ / "release", *work_ / "edition.txt"));
    }
    static void TearDownTestSuite() { work_.reset(); }

    void SetUp() override { ASSERT_EQ(result_.exitCode, 0) << result_.err; }

    static std::string Release(const std::string& relative) { return *work_ / ("release/" + relative); }
    static std::string PublicKey() { return ReadFile(DemoDeployDir() + "/signing.pub.pem"); }

    static std::unique_ptr<TempFolder> work_;
    static ToolResult result_;
};

std::unique_ptr<TempFolder> PublishedRelease::work_;
ToolResult PublishedRelease::result_;

TEST_F(PublishedRelease, WritesTheManifestsAndACopyOfEveryFile)
{
    const std::vector<std::string> expected = {
        "download",
        "download/Digest.xml",
        "download/Digest.xml.sig",
        "download/Digest_811.xml",
        "download/Digest_811.xml.sig",
        "download/Plugins",
        "download/Plugins/edition.cfg",
        "download/Plugins/sign.dll",
        "download/Plugins/数据",
        "download/Plugins/数据/说明.txt",
        "download/R&D 'notes'.txt",
        "download/WebUI_811.exe",
        "download/banner_811.png",
        "download/empty.dat",
        "release.json",
    };
    EXPECT_EQ(ListTree(Release("")), expected);
    for (const SourceFixture& source : kSources)
        EXPECT_EQ(ReadFile(Release("download/" + std::string(source.relative))), source.contents) << source.relative;
    // Nothing of the staging folder is left beside the release.
    EXPECT_EQ(ListFolder(work_->path()), (std::vector<std::string>{"edition.txt", "files", "release"}));
}

TEST_F(PublishedRelease, ReleaseInfoHoldsTheServersAnswerAsStrings)
{
    Json::Value info;
    ASSERT_TRUE(Json::Reader().parse(ReadFile(Release("release.json")), info));
    ASSERT_TRUE(info.isObject());
    EXPECT_EQ(info.size(), 4u);
    const std::pair<const char*, const char*> expected[] = {
        {"bank", "811"}, {"v", "1.0.0.3"}, {"update", "1"}, {"url", "http://127.0.0.1:8080/download"}};
    for (const auto& [name, value] : expected) {
        ASSERT_TRUE(info[name].isString()) << name;
        EXPECT_EQ(info[name].asString(), value) << name;
    }
}

TEST_F(PublishedRelease, ManifestsPassTheClientsSignatureChecks)
{
    const std::string detachedKey = ReadFile(DemoDeployDir() + "/signing-ed25519.pub.pem");
    for (const std::string name : {"Digest.xml", "Digest_811.xml"}) {
        const std::string path = Release("download/" + name);
        EXPECT_TRUE(VerifySignedFile(PublicKey(), path.c_str())) << name;
        EXPECT_TRUE(VerifyDetachedSignature(detachedKey, ReadFile(path), ReadFile(path + kDetachedSignatureSuffix)))
            << name;
    }
}

TEST_F(PublishedRelease, ClientReadsEachFileWithItsDigest)
{
    EXPECT_EQ(ReadAsTheClient(Release("download/Digest.xml")), kCommonEntries);
    EXPECT_EQ(ReadAsTheClient(Release("download/Digest_811.xml")), kEditionEntries);
}

// What older clients never read: the release named on the root element,
// SHA-256 beside each SHA-1 (`openssl dgst -sha256 -binary FILE | base64`)
// and each file's size in bytes, all inside the signed bytes.
TEST_F(PublishedRelease, ManifestsNameTheReleaseAndCarrySha256AndSize)
{
    const std::pair<const char*, std::vector<std::string>> manifests[] = {
        {"Digest.xml",
         {"QGNFCrLyo/NHRaGzSwRsPMvbv2HT4y8VeKNOT0jA/fM=", "5e+Wt/7sybvpvEFY52orc7KeTP15JR0HvgVgVpFR80g=",
          "ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=", "47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU="}},
        {"Digest_811.xml",
         {"joZWUF9OWMnLUNKIWarGCe8PjIuOVAc8xvg3MEfTQwU=", "GD2tM1RT7gD8aE85Kz2kkwPn4Wi7/v0i/iOFpXAM+YI=",
          "PVzLDO9NP9iyR0+vIDj7u2VMXE6ZKu+N9KSOijNy02I="}},
    };
    for (const auto& [name, sha256] : manifests) {
        TiXmlDocument document;
        ASSERT_TRUE(document.LoadFile(Release("download/" + std::string(name)).c_str())) << name;
        const TiXmlElement* root = document.RootElement();
        EXPECT_EQ(AttributeOf(root, "Version"), "1.0.0.3") << name;
        EXPECT_EQ(AttributeOf(root, "Bank"), "811") << name;
        std::vector<std::string> listed;
        for (int i = 1; const TiXmlElement* file = FindElement(document, "File", i); ++i) {
            listed.push_back(AttributeOf(file, "SHA256"));
            std::string relative = AttributeOf(file, "Path");
            relative += (relative.empty() ? "" : "/") + AttributeOf(file, "FileName");
            for (char& c : relative)
                c = c == '\\' ? '/' : c;
            EXPECT_EQ(AttributeOf(file, "Size"), std::to_string(std::filesystem::file_size(Release("download/" + relative))))
                << relative;
        }
        EXPECT_EQ(listed, sha256) << name;
    }
}

// Checked by the openssl command line, not by the code that wrote them.
TEST_F(PublishedRelease, EachManifestHasAnEd25519SignatureOfItsExactBytes)
{
    const std::string pub = DemoDeployDir() + "/signing-ed25519.pub.pem";
    for (const char* name : {"Digest.xml", "Digest_811.xml"}) {
        const std::string manifest = Release("download/" + std::string(name));
        const std::string sig = ReadFile(manifest + ".sig");
        EXPECT_EQ(sig.size(), 88u) << name;
        EXPECT_EQ(sig.find_first_of("\r\n"), std::string::npos) << name;
        const std::string raw = *work_ / (std::string(name) + ".raw");
        const std::string decode = "base64 -d < '" + manifest + ".sig' > '" + raw + "'";
        ASSERT_EQ(std::system(decode.c_str()), 0) << name;
        const std::string verify = "openssl pkeyutl -verify -pubin -inkey '" + pub + "' -rawin -in '" + manifest +
                                   "' -sigfile '" + raw + "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(verify.c_str()), 0) << name;
        // Another manifest's signature does not pass.
        const std::string other = Release(std::string("download/") +
                                          (std::string(name) == "Digest.xml" ? "Digest_811.xml" : "Digest.xml"));
        const std::string crossed = "openssl pkeyutl -verify -pubin -inkey '" + pub + "' -rawin -in '" + other +
                                    "' -sigfile '" + raw + "' >/dev/null 2>&1";
        EXPECT_NE(std::system(crossed.c_str()), 0) << name;
    }
}

TEST_F(PublishedRelease, ManifestsAreCrLfTextWithAnUpperCaseSignature)
{
    for (const char* name : {"Digest.xml", "Digest_811.xml"}) {
        const std::string text = ReadFile(Release("download/" + std::string(name)));
        EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n", 0), 0u) << name;
        for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
            ASSERT_TRUE(at > 0 && text[at - 1] == '\r') << name << " has a bare line feed at " << at;
        const size_t marker = text.find("\r\n<Sign>");
        ASSERT_NE(marker, std::string::npos) << name;
        const std::string digits = text.substr(marker + 8, 256);
        EXPECT_EQ(digits.find_first_not_of("0123456789ABCDEF"), std::string::npos) << digits;
    }
}

// Updates stage files only at the top level and in Data, Plugins, Script and
// Tools, so a file in "Plugins\数据" installs but can never be updated.
TEST_F(PublishedRelease, WarnsOnceAboutAFolderUpdatesCannotReach)
{
    const std::string warning = "warning: updates cannot deliver files in ";
    EXPECT_NE(result_.err.find(warning + "\"Plugins\\数据\""), std::string::npos) << result_.err;
    EXPECT_EQ(result_.err.find(warning), result_.err.rfind(warning)) << result_.err;
}

// Every byte but the nine the client skips after the signature is covered:
// changing any of them makes the manifest fail, changing those does not.
TEST_F(PublishedRelease, EveryChangedByteOutsideTheGapFailsTheCheck)
{
    const std::string key = PublicKey();
    const std::string original = ReadFile(Release("download/Digest_811.xml"));
    ASSERT_TRUE(VerifySignedContents(key, original));
    const size_t closing = original.rfind('<');
    ASSERT_NE(closing, std::string::npos);
    const size_t gapStart = closing - 9;

    for (size_t at = 0; at < original.size(); ++at) {
        std::string changed = original;
        changed[at] = static_cast<char>(changed[at] ^ 0x01);
        const bool inGap = at >= gapStart && at < closing;
        ASSERT_EQ(VerifySignedContents(key, changed), inGap) << "byte " << at << " of " << original.size();
    }
}

}  // namespace
