#include "host/platform.h"

#include <gtest/gtest.h>

#include "host/error.h"
#include "tests/raised.h"

namespace vmbgrid {
namespace {

struct Recorder : MessageService {
  std::vector<std::string> texts;
  void ShowMessage(const std::string& t, int) override { texts.push_back(t); }
  void MessageBox(const std::string& t) override { texts.push_back(t); }
};

TEST(Platform, SilentFallbacks) {
  Recorder rec;
  Platform::Install(&rec);
  Platform::Messages().ShowMessage("Hallo", kMessageInfo);
  Platform::Reset();
  Platform::Messages().ShowMessage("verworfen", kMessageInfo);
  EXPECT_EQ(rec.texts, std::vector<std::string>{"Hallo"});
  EXPECT_EQ(Platform::ScreenService().TwipsPerPixelX(), 15.0);
  EXPECT_EQ(Platform::ScreenService().TwipsPerPixelY(), 15.0);
  Platform::ScreenService().MousePointer(kPointerHourglass);
  EXPECT_EQ(Platform::ScreenService().MousePointer(), kPointerHourglass);
  Platform::Keys().SendKeys("+{TAB}", true);
  EXPECT_EQ(Platform::ClipboardService().GetText(), "");
  EXPECT_FALSE(Platform::Files().Show({}).has_value());
  Platform::Events().ProcessPendingEvents();
  EXPECT_EQ(Platform::Components().Create("vmdruckgrid.clsgriddruck"), nullptr);
  EXPECT_EQ(Platform::Form(), nullptr);
  EXPECT_EQ(Platform::Dialogs(), nullptr);
  EXPECT_FALSE(testing::Raised([] { Platform::Data(); }).Description().empty());
  Platform::Reset();
  EXPECT_EQ(Platform::ScreenService().MousePointer(), kPointerDefault);
}

}  // namespace
}  // namespace vmbgrid
