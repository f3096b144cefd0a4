#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "system/signer_name.h"

namespace {

using namespace std::string_literals;

struct SignerCase {
    const char* name;
    std::string expected;
    std::vector<std::string> commonNames;
    bool accepted;
};

std::ostream& operator<<(std::ostream& out, const SignerCase& c)
{
    return out << c.name;
}

class SignerNameTable : public ::testing::TestWithParam<SignerCase> {};

TEST_P(SignerNameTable, OnlyTheOneExpectedCommonName)
{
    EXPECT_EQ(IsExpectedSigner(GetParam().expected, GetParam().commonNames), GetParam().accepted);
}

const std::string kVendor = "Microsoft Corporation";

INSTANTIATE_TEST_SUITE_P(
    Signers, SignerNameTable,
    ::testing::Values(SignerCase{"same", kVendor, {kVendor}, true},
                      SignerCase{"non_ascii_same", u8"北京示例科技有限公司", {u8"北京示例科技有限公司"}, true},
                      SignerCase{"other_publisher", kVendor, {"Pellis Test Publisher"}, false},
                      SignerCase{"case_differs", kVendor, {"microsoft corporation"}, false},
                      SignerCase{"trailing_blank", kVendor, {kVendor + " "}, false},
                      SignerCase{"longer", kVendor, {kVendor + " Ltd"}, false},
                      SignerCase{"prefix_only", kVendor, {"Microsoft"}, false},
                      SignerCase{"text_behind_a_nul", kVendor, {kVendor + "\0.attacker.example"s}, false},
                      SignerCase{"second_common_name", kVendor, {kVendor, "Attacker"}, false},
                      SignerCase{"expected_one_twice", kVendor, {kVendor, kVendor}, false},
                      SignerCase{"no_common_name", kVendor, {}, false},
                      SignerCase{"empty_common_name_nothing_expected", "", {""}, false}),
    [](const ::testing::TestParamInfo<SignerCase>& info) { return info.param.name; });

}  // namespace
