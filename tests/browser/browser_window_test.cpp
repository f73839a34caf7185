// The program itself: the picture it saves with --screenshot, and its exit status
// after bad input.
#include <cstdlib>
#include <filesystem>

#include "tests/browser/browser_fixture.h"

namespace vmbgrid::browser::testing {
namespace {

// The picture is written also when something went wrong (it shows the message), but
// the status says so.
TEST(BrowserProgram, ScreenshotModeWritesThePictureAndFailsAfterAnError) {
  const auto dir = TempDir() / "program";
  std::filesystem::create_directories(dir);
  const std::string exe = VMBGRID_BROWSER_EXE;
  const std::string png = (dir / "ok.png").string();
  const std::string env = "QT_QPA_PLATFORM=offscreen ";
  int rc = std::system((env + "'" + exe + "' --db '" + SampleDb().string() +
                        "' --search 'Ort=Gibt es nicht' --screenshot '" + png + "' >/dev/null 2>&1")
                           .c_str());
  EXPECT_EQ(rc, 0);
  EXPECT_TRUE(std::filesystem::exists(png));
  EXPECT_GT(std::filesystem::file_size(png), 5000u);

  const std::string bad = (dir / "bad.png").string();
  rc = std::system((env + "'" + exe + "' --db '" + (dir / "nichts.db").string() +
                    "' --screenshot '" + bad + "' >/dev/null 2>&1")
                       .c_str());
  EXPECT_NE(rc, 0);
  rc = std::system((env + "'" + exe + "' --db '" + SampleDb().string() +
                    "' --table Gibtsnicht --screenshot '" + bad + "' >/dev/null 2>&1")
                       .c_str());
  EXPECT_NE(rc, 0);
  EXPECT_TRUE(std::filesystem::exists(bad));

  // Bad arguments are refused with a German message.
  Options o;
  EXPECT_EQ(ParseOptions({"--search", "Mei*"}, o),
            "Suchkriterium muss die Form SPALTE=KRITERIUM haben: Mei*");
}

}  // namespace
}  // namespace vmbgrid::browser::testing
