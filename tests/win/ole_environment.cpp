// COM for the whole test program, on the thread that runs the tests, as the panel sets it up.

#include <gtest/gtest.h>
#include <ole2.h>

namespace {

class OleEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

::testing::Environment* const oleEnvironment =
    ::testing::AddGlobalTestEnvironment(new OleEnvironment);

}  // namespace
