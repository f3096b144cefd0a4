// The program as built, judged by the platform's own Authenticode check
// (WinVerifyTrust with WINTRUST_ACTION_GENERIC_VERIFY_V2) under Wine: intact it
// passes, with one byte changed its digest no longer fits, and without its
// signature it has none. Wine 8 does not ask for a trusted root, so the demo
// deployment's self-signed certificate passes; on Windows the chain counts too.
// The harness copies the signed program into C:\pellis-test\.
#include <gtest/gtest.h>

#include <windows.h>
#include <softpub.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "system/authenticode.h"
#include "system/handles.h"
#include "tests/support/test_files.h"

namespace {

const char kFolder[] = "C:\\pellis-test\\";

std::string Program()
{
    return std::string(kFolder) + PELLIS_PROGRAM_NAME;
}

uint32_t LittleEndianAt(const std::string& bytes, size_t at)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes.at(at + i))) << (8 * i);
    return value;
}

// The PE32 header's entry for the certificate table: where the signature
// starts in the file and how long it is.
struct CertificateTable {
    size_t entryOffset;
    uint32_t start;
    uint32_t size;
};

CertificateTable CertificateTableOf(const std::string& image)
{
    constexpr size_t kNewHeaderPointer = 0x3C;
    constexpr size_t kOptionalHeader = 24;       // after "PE\0\0" and the file header
    constexpr size_t kSecurityDirectory = 128;   // data directory 4 of a PE32 optional header
    const size_t entry = LittleEndianAt(image, kNewHeaderPointer) + kOptionalHeader + kSecurityDirectory;
    return {entry, LittleEndianAt(image, entry), LittleEndianAt(image, entry + 4)};
}

// The program with one byte inside the signed part changed.
std::string Tampered(std::string image)
{
    image[CertificateTableOf(image).start / 2] ^= 0x01;
    return image;
}

// The program as it was before signing: no certificate table, nothing after the image.
std::string Unsigned(std::string image)
{
    const CertificateTable table = CertificateTableOf(image);
    image.resize(table.start);
    image.replace(table.entryOffset, 8, std::string(8, '\0'));
    return image;
}

struct ProgramCase {
    const char* name;
    std::string (*make)(std::string image);
    LONG verdict;
};

std::ostream& operator<<(std::ostream& out, const ProgramCase& c)
{
    return out << c.name;
}

class ProgramSignature : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramSignature, WinVerifyTrustVerdict)
{
    std::string image;
    ASSERT_TRUE(ReadFileBytes(Program(), &image));
    const CertificateTable table = CertificateTableOf(image);
    ASSERT_GT(table.size, 0u) << "the program as built carries no signature";
    ASSERT_EQ(static_cast<size_t>(table.start) + table.size, image.size()) << "the signature ends the file";

    const std::string path = std::string(kFolder) + GetParam().name + ".exe";
    ASSERT_TRUE(WriteFileBytes(path, GetParam().make(image)));
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.valid()) << path;
    EXPECT_EQ(static_cast<unsigned long>(CheckAuthenticode(file.get(), path)),
              static_cast<unsigned long>(GetParam().verdict));
}

INSTANTIATE_TEST_SUITE_P(
    Built, ProgramSignature,
    ::testing::Values(ProgramCase{"intact", [](std::string image) { return image; }, ERROR_SUCCESS},
                      ProgramCase{"one_byte_changed", Tampered, TRUST_E_BAD_DIGEST},
                      ProgramCase{"signature_removed", Unsigned, TRUST_E_NOSIGNATURE}),
    [](const ::testing::TestParamInfo<ProgramCase>& info) { return std::string(info.param.name); });

}  // namespace
