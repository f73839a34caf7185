#include "search/keys.h"

#include <gtest/gtest.h>

#include "adapters/headless/headless.h"
#include "core/services.h"

namespace vmbgrid {
namespace {

class SendKeysTest : public ::testing::Test {
 protected:
  void SetUp() override { p_ = &InstallHeadlessPlatform(); }
  void TearDown() override {
    core::SetSendModeForTesting(0);
    ResetHeadlessPlatform();
  }
  HeadlessPlatform* p_ = nullptr;
};

TEST_F(SendKeysTest, ModeOneHandsTheTextOverUnchanged) {
  core::SetSendModeForTesting(1);
  SendKeysEx("+{TAB}", false);
  SendKeysEx("{left}x", true);
  EXPECT_EQ(p_->keys.SentTexts(), (std::vector<std::string>{"+{TAB}", "{left}x"}));
  EXPECT_TRUE(p_->keys.SentCodes().empty());
}

}  // namespace
}  // namespace vmbgrid
