// Every engine test runs with the configuration records of the build's edition.
#include <gtest/gtest.h>

#include "app/edition.h"

namespace {

class EditionEnvironment : public ::testing::Environment {
public:
    void SetUp() override { SetupEdition(); }
};

const ::testing::Environment* const kEdition = ::testing::AddGlobalTestEnvironment(new EditionEnvironment);

}  // namespace
