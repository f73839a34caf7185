#include "core/services.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "host/error.h"
#include "host/platform.h"

namespace vmbgrid {
namespace {

struct RecordingMessages : MessageService {
  std::vector<std::pair<std::string, int>> shown;
  void ShowMessage(const std::string& text, int kind) override { shown.emplace_back(text, kind); }
  void MessageBox(const std::string& text) override { shown.emplace_back(text, 0); }
};

class ErrorCollectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Platform::Install(&messages);
    core::ErrorCollection::Instance().Clear();
  }
  void TearDown() override {
    core::ErrorCollection::Instance().Clear();
    Platform::Reset();
  }
  RecordingMessages messages;
};

TEST_F(ErrorCollectionTest, SharedAndBounded) {
  auto& errs = core::ErrorCollection::Instance();
  EXPECT_EQ(&errs, &core::ErrorCollection::Instance());
  errs.AddAndReport(3, 1, "VMBGrid", "eins");
  EXPECT_EQ(messages.shown.back(), (std::pair<std::string, int>{"eins", 3}));
  EXPECT_THROW(errs.Report(5), VMError);
  EXPECT_THROW(errs.Item(1), VMError);
  for (int n = 0; n < static_cast<int>(core::ErrorCollection::kMaxEntries) + 10; ++n)
    errs.Add(4, n, "VMBGrid", "x");
  EXPECT_EQ(errs.Count(), core::ErrorCollection::kMaxEntries);
  EXPECT_EQ(errs.Item(errs.Count() - 1).number,
            static_cast<int32_t>(core::ErrorCollection::kMaxEntries) + 9);
  errs.Clear();
  EXPECT_EQ(errs.Count(), 0u);
}

TEST(CoreServices, DataTypeNames) {
  EXPECT_EQ(core::DataTypeName(2), "Integer (16 Bit)");
  EXPECT_EQ(core::DataTypeName(6), "Währung");
  EXPECT_EQ(core::DataTypeName(131), "Numerisch");
  EXPECT_EQ(core::DataTypeName(133), "Datum (DBDate)");
  EXPECT_EQ(core::DataTypeName(134), "Uhrzeit");
  EXPECT_EQ(core::DataTypeName(46), "Datum und Uhrzeit");
  EXPECT_EQ(core::DataTypeName(999), "Unbekannter Typ (999)");
  EXPECT_EQ(core::DataTypeName(-1), "Unbekannter Typ (-1)");
  // Every code the data layer knows has its own name.
  for (int code : {0,  3,  4,   5,   7,   8,   11,  12,  14,  16,  17,  20, 44,
                   45, 72, 128, 129, 130, 135, 200, 201, 202, 203, 204, 205})
    EXPECT_EQ(core::DataTypeName(code).rfind("Unbekannter", 0), std::string::npos) << code;
}

TEST(CoreServices, PicturesAndColours) {
  EXPECT_EQ(core::LoadPicture(265), Variant(265));
  EXPECT_FALSE(core::LoadPicture(266).IsEmpty());
  EXPECT_FALSE(core::LoadPicture(294).IsEmpty());
  EXPECT_TRUE(core::LoadPicture(1).IsEmpty());
  EXPECT_EQ(core::SystemColour(0x80000018u), 0x00E1FFFFu);
  EXPECT_EQ(core::SystemColour(0x80000005u), 0x00FFFFFFu);
  EXPECT_EQ(core::SystemColour(0x000000FFu), 0x000000FFu);  // plain colours pass through
  EXPECT_EQ(core::SystemColour(0x800000FFu), 0u);
  EXPECT_EQ(core::Colour(294), 0x00E1FFFFu);
}

}  // namespace
}  // namespace vmbgrid
