// What the current rows become outside the window: a text file a spreadsheet
// opens with umlauts intact, PDF files in both orientations, the mail-merge data
// file of the browser's own office link, and the Datei entries that lead there.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "adapters/qt/qt_grid.h"
#include "grid/vmgrid.h"
#include "tests/browser/browser_fixture.h"

namespace vmbgrid::browser::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream s(text);
  for (std::string l; std::getline(s, l);) lines.push_back(l);
  return lines;
}

TEST_F(BrowserTest, ExportAndPdfOfTheFoundRows) {
  Options o;
  o.searches = {{"Ort", "Berlin"}};
  BrowserWindow& w = OpenWindow(o);
  const int rows = w.Controller()->RecordCount();
  ASSERT_GT(rows, 0);
  const fs::path text = TempDir() / "berlin.txt";
  ASSERT_TRUE(w.ExportTo(text.string()));
  EXPECT_EQ(w.LastMessage(), "Tabelle exportiert: " + text.string());
  const std::string content = ReadAll(text);
  ASSERT_EQ(content.substr(0, 3), "\xEF\xBB\xBF");
  const auto lines = Lines(content);
  ASSERT_EQ(lines.size(), static_cast<size_t>(rows + 1));
  EXPECT_EQ(lines[0].rfind("\xEF\xBB\xBF\"Name\";\"Vorname\";\"Straße\";\"PLZ\"", 0), 0u);
  EXPECT_NE(lines[1].find(";\"Berlin\";"), std::string::npos);
  EXPECT_EQ(lines[1].back(), '\r');

  const fs::path portrait = TempDir() / "hoch.pdf";
  const fs::path landscape = TempDir() / "quer.pdf";
  ASSERT_TRUE(w.SavePdf(portrait.string()));
  const int upright = w.DataGrid()->LastPrintPages();
  w.Orientation(2);
  ASSERT_TRUE(w.SavePdf(landscape.string()));
  EXPECT_GE(upright, 1);
  EXPECT_NE(ReadAll(landscape).find("/MediaBox [0 0 842"), std::string::npos);
  EXPECT_EQ(w.LastMessage().rfind("Gespeichert: " + landscape.string(), 0), 0u);

  // A folder where the file should go: refused with the cause, never "Gespeichert".
  const fs::path folder = TempDir() / "ordner.pdf";
  fs::create_directories(folder);
  EXPECT_FALSE(w.SavePdf(folder.string()));
  EXPECT_EQ(
      w.Messages().back().rfind(
          "Die Tabelle konnte nicht gespeichert werden.\nDie Datei \"" + folder.string() + "\"", 0),
      0u)
      << w.Messages().back();
  EXPECT_NE(w.Messages().back().find("ein Ordner"), std::string::npos);
  EXPECT_FALSE(w.ExportTo(folder.string()));
  EXPECT_TRUE(fs::is_directory(folder));

  // A new load clears the last message; it no longer stands beside the new count.
  w.ApplySearches({{"Ort", "Bonn"}});
  EXPECT_EQ(w.LastMessage().find("ein Ordner"), std::string::npos) << w.LastMessage();
}

// The user's name is part of the file name, never a way out of the folder.
TEST_F(BrowserTest, MailMergeWritesACsvDataSourceAndSaysWhere) {
  for (const auto& [user, file] :
       std::vector<std::pair<std::string, std::string>>{{"meier", "meier_Seriendruck.csv"},
                                                        {"../../x", ".._.._x_Seriendruck.csv"},
                                                        {"..", "___Seriendruck.csv"}}) {
    SCOPED_TRACE(user);
    Options o;
    o.searches = {{"Ort", "Köln"}};
    o.user = user;
    BrowserWindow& w = OpenWindow(o);
    const fs::path folder = TempDir() / "dokumente";
    w.OfficeFolder(folder.string());
    w.Controller()->seriendruck();
    const fs::path csv = folder / "Seriendruck" / file;
    ASSERT_TRUE(fs::exists(csv)) << w.LastMessage();
    const auto lines = Lines(ReadAll(csv));
    ASSERT_EQ(lines.size(), static_cast<size_t>(w.Controller()->RecordCount() + 1));
    EXPECT_EQ(lines[0].rfind("\xEF\xBB\xBF\"Name\";\"Vorname\";\"Strasse\"", 0), 0u);
    EXPECT_NE(lines[1].find("\"Köln\""), std::string::npos);
    EXPECT_NE(w.LastMessage().find(csv.string()), std::string::npos);
    EXPECT_FALSE(fs::exists(TempDir() / "x_Seriendruck.csv"));
  }
}

}  // namespace
}  // namespace vmbgrid::browser::testing
