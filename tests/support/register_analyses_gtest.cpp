// Test programs that run scenarios register the analyses before their first
// test, as the programs do at start-up.
#include <gtest/gtest.h>

#include "analyses/registration.h"

namespace {

class RegisterAnalysesEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { qrv::RegisterAnalyses(); }
};

// An object of the test program itself, so always linked in.
[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new RegisterAnalysesEnvironment);

}  // namespace
