// Which downloaded releases may be installed: the attacks of someone who can
// answer in the bank's place (roll back, freeze, mix) against what the signed
// manifests name.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "engine/release_check.h"

namespace {

ManifestRelease Named(const std::string& version, const std::string& bank = "811") { return {true, version, bank}; }
const ManifestRelease kUnnamed{};

struct CheckCase {
    const char* what;
    ManifestRelease common, edition;
    bool installedNamed;
    const char* answer;
    const char* installed;
    RunMode mode;
    ReleaseVerdict verdict;
};

void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.what; }

class ReleaseCheck : public ::testing::TestWithParam<CheckCase> {};

TEST_P(ReleaseCheck, DecidesFromTheSignedRelease)
{
    const CheckCase& c = GetParam();
    const ReleaseFacts facts{c.common, c.edition, c.installedNamed, c.answer, c.installed, "811", c.mode};
    EXPECT_EQ(CheckRelease(facts), c.verdict) << ReleaseVerdictText(CheckRelease(facts));
}

using V = ReleaseVerdict;
const RunMode kInstall = kRunModeInstall, kUpdate = kRunModeUpdate, kRepair = kRunModeRepair;

INSTANTIATE_TEST_SUITE_P(
    Cases, ReleaseCheck,
    ::testing::Values(
        // Genuine runs.
        CheckCase{"first installation", Named("1.0.0.3"), Named("1.0.0.3"), false, "1.0.0.3", "", kInstall, V::Accepted},
        CheckCase{"update to a newer release", Named("1.0.0.3"), Named("1.0.0.3"), true, "1.0.0.3", "1.0.0.1", kUpdate,
                  V::Accepted},
        CheckCase{"repair of the installed release", Named("1.0.0.3"), Named("1.0.0.3"), true, "1.0.0.3", "1.0.0.3",
                  kRepair, V::Accepted},
        CheckCase{"answer written in a shorter form", Named("1.2.0.0"), Named("1.2.0.0"), true, "1.2", "1.0.0.1",
                  kUpdate, V::Accepted},
        CheckCase{"old releases on an old installation", kUnnamed, kUnnamed, false, "1.0.0.3", "1.0.0.1", kUpdate,
                  V::Accepted},
        CheckCase{"first named release over an old installation", Named("1.0.0.3"), Named("1.0.0.3"), false, "1.0.0.3",
                  "1.0.0.1", kUpdate, V::Accepted},
        // Roll back: an older, validly signed release under a newer answer.
        CheckCase{"older release under a newer answer", Named("1.0.0.1"), Named("1.0.0.1"), true, "9.0.0.0", "1.0.0.3",
                  kUpdate, V::NotAnnounced},
        CheckCase{"older release, announced as itself", Named("1.0.0.1"), Named("1.0.0.1"), true, "1.0.0.1", "1.0.0.3",
                  kUpdate, V::Rollback},
        CheckCase{"update to the installed release", Named("1.0.0.3"), Named("1.0.0.3"), true, "1.0.0.3", "1.0.0.3",
                  kUpdate, V::Rollback},
        CheckCase{"repair to an older release", Named("1.0.0.1"), Named("1.0.0.1"), true, "1.0.0.1", "1.0.0.3",
                  kRepair, V::Rollback},
        CheckCase{"older release without names over a named installation", kUnnamed, kUnnamed, true, "9.0.0.0",
                  "1.0.0.3", kUpdate, V::Unnamed},
        CheckCase{"compared as numbers, not as text", Named("1.0.0.10"), Named("1.0.0.10"), true, "1.0.0.10", "1.0.0.9",
                  kUpdate, V::Accepted},
        // Mix: manifests of two releases or two banks.
        CheckCase{"common and edition of different releases", Named("1.0.0.3"), Named("1.0.0.2"), true, "1.0.0.3",
                  "1.0.0.1", kUpdate, V::Mixed},
        CheckCase{"only the common manifest named", Named("1.0.0.3"), kUnnamed, false, "1.0.0.3", "1.0.0.1", kUpdate,
                  V::Mixed},
        CheckCase{"only the edition manifest named", kUnnamed, Named("1.0.0.3"), false, "1.0.0.3", "1.0.0.1", kUpdate,
                  V::Mixed},
        CheckCase{"manifests of two banks", Named("1.0.0.3"), Named("1.0.0.3", "815"), true, "1.0.0.3", "1.0.0.1",
                  kUpdate, V::Mixed},
        CheckCase{"a release of another bank", Named("1.0.0.3", "815"), Named("1.0.0.3", "815"), true, "1.0.0.3",
                  "1.0.0.1", kUpdate, V::OtherBank},
        CheckCase{"bank written another way", Named("1.0.0.3", "0x811"), Named("1.0.0.3", "0x811"), true, "1.0.0.3",
                  "1.0.0.1", kUpdate, V::OtherBank},
        CheckCase{"a release of another bank, first installation", Named("1.0.0.3", "815"), Named("1.0.0.3", "815"),
                  false, "1.0.0.3", "", kInstall, V::OtherBank},
        CheckCase{"Bank missing", Named("1.0.0.3", ""), Named("1.0.0.3", ""), true, "1.0.0.3", "1.0.0.1", kUpdate,
                  V::OtherBank},
        // Versions a publisher never writes.
        CheckCase{"three fields", Named("1.0.3"), Named("1.0.3"), false, "1.0.3", "", kInstall, V::Malformed},
        CheckCase{"a field above 65535", Named("1.0.0.65536"), Named("1.0.0.65536"), false, "1.0.0.65536", "", kInstall,
                  V::Malformed},
        CheckCase{"a sign", Named("-1.0.0.0"), Named("-1.0.0.0"), false, "-1.0.0.0", "", kInstall, V::Malformed},
        CheckCase{"an empty field", Named("1..0.3"), Named("1..0.3"), false, "1..0.3", "", kInstall, V::Malformed},
        CheckCase{"Version missing, Bank present", Named("", "811"), Named("", "811"), false, "1.0.0.3", "", kInstall,
                  V::Malformed}));

}  // namespace
