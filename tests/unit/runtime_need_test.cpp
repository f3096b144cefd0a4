// The runtime check's decision from the figures the platform reports, for
// systems a Wine prefix cannot play: an x86 processor, versions other than the
// two Wine is set to in the end-to-end runs.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "engine/runtime_need.h"
#include "system/os_class.h"

namespace {

constexpr uint16_t kX86 = 0;
constexpr uint16_t kAmd64 = 9;
constexpr uint16_t kArm64 = 12;

struct ClassifyCase {
    const char* system;
    OsFigures figures;
    int result;
    bool version61or62;
    bool isX86;
};

std::ostream& operator<<(std::ostream& out, const ClassifyCase& c)
{
    return out << c.system;
}

class ClassifyOsTable : public ::testing::TestWithParam<ClassifyCase> {};

TEST_P(ClassifyOsTable, TellsTheVersionFamilyAndTheProcessor)
{
    const ClassifyCase& c = GetParam();
    OsInfo info;
    EXPECT_EQ(ClassifyOs(c.figures, &info), c.result);
    EXPECT_EQ(info.version61or62, c.version61or62);
    EXPECT_EQ(info.isX86, c.isX86);
}

INSTANTIATE_TEST_SUITE_P(
    ClassifyOs, ClassifyOsTable,
    ::testing::Values(ClassifyCase{"Vista on AMD64", {2, 6, 0, kAmd64}, 1, false, false},
                      ClassifyCase{"Vista on x86", {2, 6, 0, kX86}, 1, false, true},
                      ClassifyCase{"Windows 7 on AMD64", {2, 6, 1, kAmd64}, 1, true, false},
                      ClassifyCase{"Windows 8 (or later, as reported) on x86", {2, 6, 2, kX86}, 1, true, true},
                      ClassifyCase{"6.3, reported only to a declared program", {2, 6, 3, kAmd64}, 1, false, false},
                      ClassifyCase{"XP on x86", {2, 5, 1, kX86}, 1, false, true},
                      ClassifyCase{"10 on AMD64", {2, 10, 0, kAmd64}, 1, false, false},
                      ClassifyCase{"Vista on ARM64", {2, 6, 0, kArm64}, 1, false, false},
                      ClassifyCase{"NT 4", {2, 4, 0, kX86}, 0, false, false},
                      ClassifyCase{"98, outside the NT family", {1, 4, 10, kX86}, 0, false, false}));

struct NeedCase {
    const char* system;
    int osKnown;
    OsInfo os;
    bool x86Installed;
    bool x64Installed;
    int needX86;
    int needX64;
    std::vector<RuntimeArch> asked;  // the markers looked at, in order
};

std::ostream& operator<<(std::ostream& out, const NeedCase& c)
{
    return out << c.system;
}

class RuntimeNeedTable : public ::testing::TestWithParam<NeedCase> {};

TEST_P(RuntimeNeedTable, NeedsWhatIsMissingAndFitsTheProcessor)
{
    const NeedCase& c = GetParam();
    std::vector<RuntimeArch> asked;
    const RuntimeNeed need = DecideRuntimeNeed(c.osKnown, c.os, [&](RuntimeArch arch) {
        asked.push_back(arch);
        return arch == RuntimeArch::x86 ? c.x86Installed : c.x64Installed;
    });
    EXPECT_EQ(need.x86, c.needX86);
    EXPECT_EQ(need.x64, c.needX64);
    EXPECT_EQ(asked, c.asked);
}

constexpr OsInfo kVistaAmd64{false, false};
constexpr OsInfo kVistaX86{false, true};
constexpr OsInfo kSeven{true, false};

INSTANTIATE_TEST_SUITE_P(
    DecideRuntimeNeed, RuntimeNeedTable,
    ::testing::Values(
        NeedCase{"outside the family: both, unasked", 0, OsInfo{}, true, true, 1, 1, {}},
        NeedCase{"Windows 7: none, unasked", 1, kSeven, false, false, 0, 0, {}},
        NeedCase{"Vista on AMD64, nothing installed", 1, kVistaAmd64, false, false, 1, 1,
                 {RuntimeArch::x86, RuntimeArch::x64}},
        NeedCase{"Vista on AMD64, x86 installed", 1, kVistaAmd64, true, false, 0, 1,
                 {RuntimeArch::x86, RuntimeArch::x64}},
        NeedCase{"Vista on AMD64, both installed", 1, kVistaAmd64, true, true, 0, 0,
                 {RuntimeArch::x86, RuntimeArch::x64}},
        NeedCase{"Vista on x86: x64 never, unasked", 1, kVistaX86, false, false, 1, 0, {RuntimeArch::x86}},
        NeedCase{"Vista on x86, x86 installed", 1, kVistaX86, true, false, 0, 0, {RuntimeArch::x86}}));

}  // namespace
