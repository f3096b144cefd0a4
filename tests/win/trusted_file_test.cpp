// The signature check of downloaded installers and the handle that holds a
// checked file until it has been started, under Wine. The packages are made at
// build time (tests/e2e/make-runtime-packages.sh) and copied into
// C:\pellis-test\ by the harness.
//
// Wine 8 refuses a missing signature and a digest that does not fit, but
// accepts an intact signature whose root it does not trust, so the chain part
// of the check shows only on Windows (README.md, "Security notes"). It does
// keep the check's state, from which the signer's certificate is read, so a
// package validly signed by another publisher is refused here as on Windows.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <softpub.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "protocol/deploy_material.h"
#include "system/authenticode.h"
#include "system/handles.h"
#include "tests/support/assistant_records.h"
#include "tests/support/test_files.h"

namespace {

const char kPackages[] = "C:\\pellis-test\\";
const char kHeldFolder[] = "C:\\pellis-test\\held";
constexpr DWORD kStartLimitMs = 30000;

std::string Package(const char* name)
{
    return std::string(kPackages) + name;
}

struct TrustCase {
    const char* file;
    LONG verdict;
    std::vector<std::string> signerCommonNames;  // read only when the verdict is ERROR_SUCCESS
    bool opened;                                 // by OpenTrustedFile, expecting the deployment's publisher
};

std::ostream& operator<<(std::ostream& out, const TrustCase& c)
{
    return out << c.file;
}

class TrustCheck : public ::testing::TestWithParam<TrustCase> {};

TEST_P(TrustCheck, VerdictThroughTheOpenHandle)
{
    const std::string path = Package(GetParam().file);
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.valid()) << path;
    std::vector<std::string> signerCommonNames;
    EXPECT_EQ(static_cast<unsigned long>(CheckAuthenticode(file.get(), path, &signerCommonNames)),
              static_cast<unsigned long>(GetParam().verdict));
    EXPECT_EQ(signerCommonNames, GetParam().signerCommonNames);
    file.reset();
    EXPECT_EQ(OpenTrustedFile(path, kBuiltInRuntimePublisher).valid(), GetParam().opened);
}

INSTANTIATE_TEST_SUITE_P(
    Packages, TrustCheck,
    // signed.exe carries the name deploy/demo holds, other.exe another one
    // (tests/e2e/make-runtime-packages.sh).
    ::testing::Values(TrustCase{"signed.exe", ERROR_SUCCESS, {kBuiltInRuntimePublisher}, true},
                      TrustCase{"other.exe", ERROR_SUCCESS, {"Pellis Other Publisher"}, false},
                      TrustCase{"unsigned.exe", TRUST_E_NOSIGNATURE, {}, false},
                      TrustCase{"tampered.exe", TRUST_E_BAD_DIGEST, {}, false}),
    [](const ::testing::TestParamInfo<TrustCase>& info) {
        const std::string file = info.param.file;
        return file.substr(0, file.find('.'));
    });

// The check must judge the bytes held open, whatever the path names by then.
TEST(TrustCheck, ReadsTheHeldBytesNotThePath)
{
    const std::string signedPath = Package("signed.exe");
    const std::string unsignedPath = Package("unsigned.exe");
    UniqueHandle signedFile(::CreateFileA(signedPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    UniqueHandle unsignedFile(::CreateFileA(unsignedPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(signedFile.valid() && unsignedFile.valid());
    EXPECT_EQ(CheckAuthenticode(signedFile.get(), unsignedPath), ERROR_SUCCESS);
    EXPECT_EQ(static_cast<unsigned long>(CheckAuthenticode(unsignedFile.get(), signedPath)),
              static_cast<unsigned long>(TRUST_E_NOSIGNATURE));
}

// A fresh copy of the signed package per test, under the test's name.
std::string HeldCopy()
{
    MakeFolders(kHeldFolder);
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-');
    const std::string path = std::string(kHeldFolder) + "\\" + name + ".exe";
    ::CopyFileA(Package("signed.exe").c_str(), path.c_str(), FALSE);
    return path;
}

TEST(TrustedFile, NotOpenedWhileSomeoneCanStillWriteIt)
{
    const std::string path = HeldCopy();
    UniqueHandle writer(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer.valid());
    EXPECT_FALSE(OpenTrustedFile(path, kBuiltInRuntimePublisher).valid());
    writer.reset();
    EXPECT_TRUE(OpenTrustedFile(path, kBuiltInRuntimePublisher).valid());
}

// Ways to put other bytes under the checked name; each must fail while the
// checked file is held and work once it is released.
struct SwapCase {
    const char* name;
    std::function<bool(const std::string& path)> attempt;
};

std::ostream& operator<<(std::ostream& out, const SwapCase& c)
{
    return out << c.name;
}

std::string Other(const std::string& path)
{
    const std::string other = path + ".other";
    WriteFileBytes(other, "MZ another program");
    return other;
}

const SwapCase kSwaps[] = {
    {"overwrite",
     [](const std::string& path) {
         UniqueHandle writer(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                           FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                           nullptr));
         return writer.valid();
     }},
    {"replace",
     [](const std::string& path) {
         return ::MoveFileExA(Other(path).c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
     }},
    {"rename",
     [](const std::string& path) { return ::MoveFileA(path.c_str(), (path + ".moved").c_str()) != FALSE; }},
    {"delete", [](const std::string& path) { return ::DeleteFileA(path.c_str()) != FALSE; }},
};

class HeldTrustedFile : public ::testing::TestWithParam<SwapCase> {};

TEST_P(HeldTrustedFile, CannotBeSwappedUntilReleased)
{
    const std::string path = HeldCopy();
    UniqueHandle held = OpenTrustedFile(path, kBuiltInRuntimePublisher);
    ASSERT_TRUE(held.valid());
    EXPECT_FALSE(GetParam().attempt(path));
    if (std::string(GetParam().name) == "overwrite") {
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    held.reset();
    EXPECT_TRUE(GetParam().attempt(path)) << "the attempt itself works on a file nobody holds";
}

INSTANTIATE_TEST_SUITE_P(Swaps, HeldTrustedFile, ::testing::ValuesIn(kSwaps),
                         [](const ::testing::TestParamInfo<SwapCase>& info) { return info.param.name; });

// The program starts a package as below while it holds it.
TEST(HeldTrustedFileStart, TheShellStartsTheHeldFile)
{
    ClearRecords();
    const std::string path = HeldCopy();
    const UniqueHandle held = OpenTrustedFile(path, kBuiltInRuntimePublisher);
    ASSERT_TRUE(held.valid());
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteA(nullptr, nullptr, path.c_str(), "/q", kHeldFolder, SW_SHOWNORMAL));
    EXPECT_GT(result, 32);
    const std::string name = path.substr(path.find_last_of('\\') + 1);
    EXPECT_TRUE(WaitForStart(name + " /q", kStartLimitMs));
    TerminateAll(name);
}

}  // namespace
