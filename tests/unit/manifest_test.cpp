// How entries are located in a manifest. Values are UTF-8 (u8 literals: the
// Windows build compiles narrow literals as GBK).
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "engine/manifest.h"
#include "source_path.h"

// Most entries below are of manifests that list no SHA256: written as three
// fields, the fourth left empty.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

bool operator==(const ListedFile& a, const ListedFile& b)
{
    return a.path == b.path && a.fileName == b.fileName && a.digest == b.digest && a.sha256 == b.sha256 &&
           a.size == b.size;
}

std::ostream& operator<<(std::ostream& out, const ListedFile& f)
{
    return out << "{\"" << f.path << "\", \"" << f.fileName << "\", \"" << f.digest << "\", \"" << f.sha256
               << "\", " << f.size << "}";
}

namespace {

using namespace std::string_literals;

struct ReadingCase {
    const char* why;
    std::string xml;
    std::vector<ListedFile> entries;
};

std::ostream& operator<<(std::ostream& out, const ReadingCase& c)
{
    return out << c.why;
}

class ManifestReading : public ::testing::TestWithParam<ReadingCase> {};

TEST_P(ManifestReading, FindsTheEntries)
{
    EXPECT_EQ(ParseManifest(GetParam().xml), GetParam().entries);
}

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
const std::string kDigestA = "qZk+NkcGgWq6PiVxeFDCbJzQ2J0=";
const std::string kDigestB = "2jmj7l5rSw0yVb/vlWAYkK/YBwk=";

const ReadingCase kCases[] = {
    {"three File children",
     std::string(kDeclaration) + "<Manifest>\r\n  <FileInfo>\r\n"
         "    <File Path=\"Plugins\" FileName=\"PlugA.dll\" Digest=\"" + kDigestA + "\" />\r\n"
         "    <File Path=\"\" FileName=\"Config.ini\" Digest=\"" + kDigestB + "\" />\r\n"
         u8"    <File Path=\"Data\" FileName=\"说明.txt\" Digest=\"" + kDigestA + "\" />\r\n"
         "  </FileInfo>\r\n<Sign>00</Sign>\r\n</Manifest>\r\n",
     {{"Plugins", "PlugA.dll", kDigestA}, {"", "Config.ini", kDigestB}, {"Data", u8"说明.txt", kDigestA}}},
    {"the release on the root changes nothing that is read; SHA256 is read beside Digest",
     std::string(kDeclaration) + "<Manifest Version=\"1.0.0.3\" Bank=\"811\">\r\n  <FileInfo>\r\n"
         "    <File Path=\"Plugins\" FileName=\"PlugA.dll\" Digest=\"" + kDigestA +
         "\" SHA256=\"QGNFCrLyo/NHRaGzSwRsPMvbv2HT4y8VeKNOT0jA/fM=\" />\r\n"
         "    <File Path=\"\" FileName=\"Config.ini\" Digest=\"" + kDigestB +
         "\" SHA256=\"47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=\" />\r\n"
         "  </FileInfo>\r\n<Sign>00</Sign>\r\n</Manifest>\r\n",
     {{"Plugins", "PlugA.dll", kDigestA, "QGNFCrLyo/NHRaGzSwRsPMvbv2HT4y8VeKNOT0jA/fM="},
      {"", "Config.ini", kDigestB, "47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU="}}},
    {"Size is read as a byte count; anything but 1 to 19 decimal digits reads as 0",
     "<M><FileInfo><File FileName=\"a\" Size=\"5624828\"/><File FileName=\"b\" Size=\"9999999999999999999\"/>"
     "<File FileName=\"c\" Size=\"10000000000000000000\"/><File FileName=\"d\" Size=\"-1\"/>"
     "<File FileName=\"e\" Size=\" 5\"/><File FileName=\"f\" Size=\"0x10\"/><File FileName=\"g\" Size=\"\"/>"
     "<File FileName=\"h\" Size=\"0\"/></FileInfo></M>",
     {{"", "a", "", "", 5624828},
      {"", "b", "", "", 9999999999999999999ull},
      {"", "c", ""},
      {"", "d", ""},
      {"", "e", ""},
      {"", "f", ""},
      {"", "g", ""},
      {"", "h", ""}}},
    {"a File before FileInfo shifts every entry",
     "<M><File FileName=\"stray\"/><FileInfo><File FileName=\"a\"/><File FileName=\"b\"/></FileInfo></M>",
     {{"", "stray", ""}, {"", "a", ""}}},
    {"a non-File child of FileInfo counts and leaves the last entry empty",
     "<M><FileInfo><File FileName=\"a\"/><Note/><File FileName=\"b\"/></FileInfo></M>",
     {{"", "a", ""}, {"", "b", ""}, {"", "", ""}}},
    {"a trailer inside FileInfo counts as an entry",
     "<FileInfo><File Path=\"Plugins\" FileName=\"a.dll\" Digest=\"x\"/><Sign>AF97</Sign></FileInfo>",
     {{"Plugins", "a.dll", "x"}, {"", "", ""}}},
    {"missing attributes read as empty text",
     "<M><FileInfo><File FileName=\"a\"/><File Path=\"P\"/><File Digest=\"d\"/></FileInfo></M>",
     {{"", "a", ""}, {"P", "", ""}, {"", "", "d"}}},
    {"the first FileInfo counts, found depth-first",
     "<M><X><FileInfo><File FileName=\"a\"/></FileInfo></X>"
     "<FileInfo><File FileName=\"b\"/><File FileName=\"c\"/></FileInfo></M>",
     {{"", "a", ""}}},
    {"an element comes before its children, its children before its next sibling",
     "<M><FileInfo><File FileName=\"a\"><File FileName=\"inner\"/></File><File FileName=\"b\"/></FileInfo></M>",
     {{"", "a", ""}, {"", "inner", ""}}},
    {"the walk goes on through later top-level elements",
     "<A><File FileName=\"x\"/></A><B><FileInfo><File FileName=\"y\"/><File FileName=\"z\"/></FileInfo></B>",
     {{"", "x", ""}, {"", "y", ""}}},
    {"names are case-sensitive",
     "<M><fileinfo><File FileName=\"a\"/></fileinfo><FileInfo><file FileName=\"b\"/><File FileName=\"c\"/></FileInfo></M>",
     {{"", "a", ""}, {"", "c", ""}}},
    {"comments and text are no elements",
     "<M><!-- <FileInfo/> --><FileInfo>text<!-- c --><File FileName=\"a\"/></FileInfo></M>",
     {{"", "a", ""}}},
    {"entities are decoded", "<M><FileInfo><File Path=\"a&amp;b\" FileName=\"&lt;c&gt;\"/></FileInfo></M>",
     {{"a&b", "<c>", ""}}},
    {"line breaks inside a value are normalised", "<M><FileInfo><File FileName=\"a\r\nb\rc\"/></FileInfo></M>",
     {{"", "a\nb\nc", ""}}},
    {"an empty FileInfo", "<M><FileInfo/></M>", {}},
    {"no FileInfo", "<M><File FileName=\"a\"/></M>", {}},
    {"not XML", "this is no manifest", {}},
    {"XML cut short", "<M><FileInfo><File FileName=\"a\"/><File FileName=\"b\"/>", {}},
    {"no bytes", "", {}},
    // A UTF-8 lead byte that announces more bytes than the text holds, with
    // room left in the buffer behind the text: the reader must stop at the
    // text's end (shown with TinyXML built under AddressSanitizer).
    {"a lead byte at the end of a text", std::string(kDeclaration) + "<M>\xF0\0 room behind the text"s, {}},
    {"a lead byte at the end of a value",
     std::string(kDeclaration) + "<M><FileInfo><File FileName=\"a\xE0\0 room behind the text"s, {}},
};

INSTANTIATE_TEST_SUITE_P(Manifest, ManifestReading, ::testing::ValuesIn(kCases));

TEST(Manifest, TwentyThousandEntries)
{
    constexpr int kCount = 20000;
    std::string xml = std::string(kDeclaration) + "<Manifest><FileInfo>";
    for (int i = 0; i < kCount; ++i)
        xml += "<File Path=\"Data\" FileName=\"f" + std::to_string(i) + "\" Digest=\"" + kDigestA + "\"/>\r\n";
    xml += "</FileInfo></Manifest>";
    const std::vector<ListedFile> entries = ParseManifest(xml);
    ASSERT_EQ(entries.size(), static_cast<size_t>(kCount));
    EXPECT_EQ(entries.front(), (ListedFile{"Data", "f0", kDigestA}));
    EXPECT_EQ(entries.back(), (ListedFile{"Data", "f19999", kDigestA}));
}

TEST(Manifest, FromAFile)
{
    const std::vector<ListedFile> entries = ReadManifestFile(SourcePath("tests/fixtures/signed/manifest.xml"));
    EXPECT_EQ(entries, (std::vector<ListedFile>{{"Plugins", "a.dll", "a9993e364706816aba3e25717850c26c9cd0d89d"},
                                                {"", "", ""}}));
    EXPECT_TRUE(ReadManifestFile(SourcePath("tests/fixtures/signed/no-such-manifest.xml")).empty());
}

TEST(Manifest, NamesTheReleaseOnTheRootElementOnly)
{
    struct Case {
        const char* what;
        std::string xml;
        bool named;
        const char* version;
        const char* bank;
    };
    const Case cases[] = {
        {"both", std::string(kDeclaration) + "<Manifest Version=\"1.0.0.3\" Bank=\"811\"><FileInfo/></Manifest>", true,
         "1.0.0.3", "811"},
        {"Version alone", "<Manifest Version=\"1.0.0.3\"><FileInfo/></Manifest>", true, "1.0.0.3", ""},
        {"none", "<Manifest><FileInfo/></Manifest>", false, "", ""},
        {"on another element only", "<Manifest><FileInfo Version=\"1.0.0.3\" Bank=\"811\"/></Manifest>", false, "", ""},
        {"not XML", "<Manifest Version=\"1.0.0.3\"", false, "", ""},
    };
    for (const Case& c : cases) {
        const ManifestRelease release = ParseManifestRelease(c.xml);
        EXPECT_EQ(release.named, c.named) << c.what;
        EXPECT_EQ(release.version, c.version) << c.what;
        EXPECT_EQ(release.bank, c.bank) << c.what;
    }
}

}  // namespace
