#include "apps/browser/browser_options.h"

#include "gtest/gtest.h"

namespace vmbgrid::browser {
namespace {

TEST(BrowserOptions, DefaultsAndRepeatedSearches) {
  Options o;
  ASSERT_EQ(ParseOptions({"--search", "Name=Mei*", "--search", "PLZ=10000-19999", "--search",
                          "Notiz=a=b", "--max", "0", "--user", "Anna"},
                         o),
            "");
  EXPECT_EQ(o.db, "examples/kunden.db");
  EXPECT_EQ(o.table, "Kunden");
  EXPECT_EQ(o.user, "Anna");
  ASSERT_TRUE(o.max.has_value());
  EXPECT_EQ(*o.max, 0);
  ASSERT_EQ(o.searches.size(), 3u);
  EXPECT_EQ(o.searches[1].first, "PLZ");
  EXPECT_EQ(o.searches[1].second, "10000-19999");
  // Only the first "=" separates: the criterion may hold more.
  EXPECT_EQ(o.searches[2].second, "a=b");
}

TEST(BrowserOptions, BadArgumentsAreRefusedWithGermanMessages) {
  Options o;
  EXPECT_EQ(ParseOptions({"--db"}, o), "Zu --db fehlt der Wert.");
  EXPECT_EQ(ParseOptions({"--search", "Mei*"}, o),
            "Suchkriterium muss die Form SPALTE=KRITERIUM haben: Mei*");
  EXPECT_EQ(ParseOptions({"--search", "=Mei*"}, o),
            "Suchkriterium muss die Form SPALTE=KRITERIUM haben: =Mei*");
  for (const char* bad : {"-1", "abc", "12x", "", "99999999999"})
    EXPECT_NE(ParseOptions({"--max", bad}, o), "") << bad;
  EXPECT_EQ(ParseOptions({"--fenster"}, o), "Unbekannte Option: --fenster");
}

TEST(BrowserOptions, RecordCountUsesGermanGrouping) {
  EXPECT_EQ(RecordCountText(0), "Keine Datensätze");
  EXPECT_EQ(RecordCountText(1), "1 Datensatz");
  EXPECT_EQ(RecordCountText(999), "999 Datensätze");
  EXPECT_EQ(RecordCountText(10000), "10.000 Datensätze");
  EXPECT_EQ(RecordCountText(1234567), "1.234.567 Datensätze");
  // A result that reached the record limit says that more rows may match.
  EXPECT_EQ(RecordCountText(1000, 1000), "1.000 Datensätze – Höchstzahl erreicht, weitere möglich");
  EXPECT_EQ(RecordCountText(999, 1000), "999 Datensätze");
  EXPECT_EQ(RecordCountText(1000, 0), "1.000 Datensätze");
}

}  // namespace
}  // namespace vmbgrid::browser
