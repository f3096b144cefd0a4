#include <gtest/gtest.h>

#include <string>

#include "system/relative_path.h"

namespace {

struct EntryCase {
    const char* why;
    std::string path;
    std::string fileName;
    bool safe;
};

std::ostream& operator<<(std::ostream& out, const EntryCase& c)
{
    return out << c.why << ": Path \"" << c.path << "\" FileName \"" << c.fileName << "\"";
}

class ManifestEntrySafety : public ::testing::TestWithParam<EntryCase> {};

TEST_P(ManifestEntrySafety, StaysInsideTheInstallFolder)
{
    EXPECT_EQ(IsSafeManifestEntry(GetParam().path, GetParam().fileName), GetParam().safe);
}

const EntryCase kCases[] = {
    {"top-level file", "", "WebUI_811.exe", true},
    {"one folder", "Plugins", "sign.dll", true},
    {"nested folders", "Plugins\\Data", "a.dat", true},
    {"forward slash between folders", "Plugins/Data", "a.dat", true},
    {"Chinese names", "插件\\数据", "说明.txt", true},
    {"leading dot", "", ".config", true},
    {"dots inside", "a..b", "x..y", true},
    {"blank inside", "My Plugins", "a b.txt", true},
    {"device name inside a longer name", "CONFIG", "nullable.txt", true},
    {"COM without a port number", "COM", "LPT.txt", true},
    {"two-digit port", "", "COM10", true},

    {"empty file name", "Plugins", "", false},
    {"backslash in file name", "", "Plugins\\a.dll", false},
    {"slash in file name", "", "Plugins/a.dll", false},
    {"file name is ..", "Plugins", "..", false},
    {"file name is .", "", ".", false},

    {"absolute path", "\\Windows", "a.dll", false},
    {"absolute path with slash", "/etc", "passwd", false},
    {"UNC path", "\\\\server\\share", "a.dll", false},
    {"long-path prefix", "\\\\?\\C:\\Windows", "a.dll", false},
    {"device namespace", "\\\\.\\PhysicalDrive0", "a", false},
    {"drive-qualified", "C:", "a.dll", false},
    {"drive-relative", "C:Windows", "a.dll", false},
    {"drive in file name", "", "C:a.dll", false},
    {"alternate data stream", "", "a.txt:hidden", false},
    {"alternate data stream of a folder", "Plugins:stream", "a.dll", false},

    {"climbs at the start", "..\\Windows", "a.dll", false},
    {"climbs in the middle", "Plugins\\..\\..", "a.dll", false},
    {"climbs with slashes", "Plugins/../..", "a.dll", false},
    {"path is ..", "..", "a.dll", false},
    {"path is .", ".", "a.dll", false},
    {"doubled separator", "Plugins\\\\Data", "a.dll", false},
    {"trailing separator", "Plugins\\", "a.dll", false},

    {"device file name", "", "CON", false},
    {"device name lower case", "", "nul", false},
    {"device name with extension", "", "nul.txt", false},
    {"device name, blanks, extension", "", "aux .log", false},
    {"device name with two extensions", "", "prn.tar.gz", false},
    {"numbered device", "", "COM1", false},
    {"numbered device mixed case", "", "Lpt9.dat", false},
    {"port zero", "", "com0", false},
    {"superscript port", "", "COM\xC2\xB9", false},
    {"console input", "", "CONIN$", false},
    {"device as a folder", "Plugins\\AUX", "a.dll", false},
    {"device folder with extension", "lpt3.d", "a.dll", false},

    {"file name ends in a dot", "", "a.dll.", false},
    {"file name ends in a blank", "", "a.dll ", false},
    {"folder ends in a dot", "Plugins.", "a.dll", false},
    {"folder ends in a blank", "Plugins \\Data", "a.dll", false},

    {"line feed in file name", "", "a\ndll", false},
    {"carriage return in folder", "Plug\rins", "a.dll", false},
    {"tab in file name", "", "a\tb", false},
    {"zero byte in file name", "", std::string("a\0b", 3), false},
    {"delete character", "", "a\x7F", false},
    {"escape character in folder", "\x1B", "a", false},

    {"wildcard", "", "*.dll", false},
    {"question mark", "", "a?.dll", false},
    {"pipe", "", "a|b", false},
    {"angle bracket", "<Plugins>", "a.dll", false},
    {"double quote", "", "a\"b", false},
};

INSTANTIATE_TEST_SUITE_P(Entries, ManifestEntrySafety, ::testing::ValuesIn(kCases));

}  // namespace
