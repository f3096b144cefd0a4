#include <gtest/gtest.h>

#include "engine/manifest_names.h"

namespace {

TEST(EditionManifestName, HasAtLeastThreeLowerCaseHexDigits)
{
    EXPECT_EQ(EditionManifestName(0x811), "Digest_811.xml");
    EXPECT_EQ(EditionManifestName(0x81a), "Digest_81a.xml");
    EXPECT_EQ(EditionManifestName(0x1f), "Digest_01f.xml");
    EXPECT_EQ(EditionManifestName(0), "Digest_000.xml");
}

}  // namespace
