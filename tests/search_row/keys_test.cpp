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
  std::vector<int> Codes(const std::string& keys) {
    p_->keys.clear();
    SendKeysEx(keys, false);
    EXPECT_EQ(p_->keys.SentCodes().size(), 1u);
    if (p_->keys.SentCodes().empty()) return {};
    auto c = p_->keys.SentCodes().back();
    return {c.first, c.second, c.third};
  }
  HeadlessPlatform* p_ = nullptr;
};

TEST_F(SendKeysTest, KeyCodePathSendsTheFirstThreeTokensInOrder) {
  core::SetSendModeForTesting(0);
  EXPECT_EQ(Codes("+{TAB}"), (std::vector<int>{16, 9, 0}));
  EXPECT_EQ(Codes("{TAB}"), (std::vector<int>{9, 0, 0}));
  EXPECT_EQ(Codes("{left}"), (std::vector<int>{37, 0, 0}));
  EXPECT_EQ(Codes("{Right}"), (std::vector<int>{39, 0, 0}));
  EXPECT_EQ(Codes("abc"), (std::vector<int>{65, 66, 67}));
  EXPECT_EQ(Codes("abcd"), (std::vector<int>{65, 66, 67}));
  EXPECT_EQ(Codes("^%~"), (std::vector<int>{17, 18, 13}));
  EXPECT_EQ(Codes("{F12}{f1}9"), (std::vector<int>{123, 112, 57}));
  // Unknown names, other characters and missing tokens are sent as 0.
  EXPECT_EQ(Codes("{NOKEY}-"), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(Codes(""), (std::vector<int>{0, 0, 0}));
  // A typed umlaut is one token, not one per byte.
  EXPECT_EQ(Codes("äb"), (std::vector<int>{0, 66, 0}));
  // A brace without its end takes the rest of the text; nothing is read beyond it.
  EXPECT_EQ(Codes("+{TAB"), (std::vector<int>{16, 0, 0}));
  EXPECT_TRUE(p_->keys.SentTexts().empty());
}

TEST_F(SendKeysTest, ModeOneHandsTheTextOverUnchanged) {
  core::SetSendModeForTesting(1);
  SendKeysEx("+{TAB}", false);
  SendKeysEx("{left}x", true);
  EXPECT_EQ(p_->keys.SentTexts(), (std::vector<std::string>{"+{TAB}", "{left}x"}));
  EXPECT_TRUE(p_->keys.SentCodes().empty());
}

TEST(KeyCodeOf, TableNamesAreCaseInsensitiveAndFirstMatchWins) {
  EXPECT_EQ(KeyCodeOf("{bs}"), 8);
  EXPECT_EQ(KeyCodeOf("{BKSP}"), 8);
  EXPECT_EQ(KeyCodeOf("{Del}"), 46);
  EXPECT_EQ(KeyCodeOf("{ScrollLock}"), 145);
  EXPECT_EQ(KeyCodeOf("{PGDN}"), 34);
  EXPECT_EQ(KeyCodeOf("z"), 90);
  EXPECT_EQ(KeyCodeOf("0"), 48);
  EXPECT_EQ(KeyCodeOf("{F13}"), 0);
  EXPECT_EQ(KeyCodeOf("{F0}"), 0);
  EXPECT_EQ(KeyCodeOf("{F01}"), 0);
  EXPECT_EQ(KeyCodeOf("ä"), 0);
  EXPECT_EQ(KeyCodeOf(""), 0);
}

}  // namespace
}  // namespace vmbgrid
