// Printing on Qt Print Support: a small table to PDF files in both orientations
// (page count read from the file), the preview window's German texts, and the
// delimited export in display order.
#include <QAction>
#include <QPrintPreviewDialog>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "host/error.h"
#include "tests/qt/qt_test_support.h"

namespace vmbgrid::qttest {
namespace {

namespace fs = std::filesystem;
using QtGridPrint = FormTest;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Page objects of a PDF ("/Type /Page", not the "/Pages" tree).
int PdfPages(const std::string& pdf) {
  static const std::regex page(R"(/Type\s*/Page(?![a-zA-Z]))");
  return static_cast<int>(
      std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

fs::path Scratch(const char* name) {
  fs::path dir = fs::temp_directory_path() / "vmbgrid_qt_print";
  fs::create_directories(dir);
  return dir / name;
}

TEST_F(QtGridPrint, SmallTableToPdfHasTheExpectedPagesInBothOrientations) {
  grid_->DataSource(Numbers(100));
  const fs::path portrait = Scratch("hoch.pdf");
  const fs::path landscape = Scratch("quer.pdf");
  grid_->PrintFooter({"", "Summe"});
  grid_->PrintOrientation(1);
  grid_->PrintToPdf(portrait.string());
  grid_->PrintData();
  EXPECT_EQ(grid_->LastPrintPages(), 2);  // 62 rows a page upright
  EXPECT_EQ(PdfPages(ReadAll(portrait)), 2);

  grid_->PrintOrientation(2);
  grid_->PrintToPdf(landscape.string());
  grid_->PrintData();
  EXPECT_EQ(grid_->LastPrintPages(), 3);  // 41 rows a page across
  const std::string pdf = ReadAll(landscape);
  EXPECT_EQ(PdfPages(pdf), 3);
  EXPECT_NE(pdf.find("/MediaBox [0 0 842"), std::string::npos) << "A4 across";

  // A folder that does not exist: an error for the library's message, no file.
  grid_->PrintToPdf((fs::temp_directory_path() / "vmbgrid_fehlt" / "x.pdf").string());
  EXPECT_THROW(grid_->PrintData(), VMError);
  EXPECT_FALSE(fs::exists(fs::temp_directory_path() / "vmbgrid_fehlt"));
  fs::remove_all(portrait.parent_path());
}

TEST_F(QtGridPrint, PreviewWindowSpeaksGerman) {
  grid_->DataSource(Numbers(10));
  grid_->PreviewCaption(9, "Nächste Seite");
  std::vector<std::string> texts;
  QtGrid::SetPreviewRunner([&texts](QPrintPreviewDialog& dialog) {
    for (QAction* a : dialog.findChildren<QAction*>()) texts.push_back(a->text().toStdString());
    texts.push_back(dialog.windowTitle().toStdString());
  });
  grid_->PrintPreview();
  QtGrid::SetPreviewRunner(nullptr);
  auto has = [&texts](const std::string& t) {
    return std::find(texts.begin(), texts.end(), t) != texts.end();
  };
  EXPECT_TRUE(has("Nächste Seite"));
  EXPECT_TRUE(has("Vergrößern"));
  EXPECT_TRUE(has("Druckvorschau"));
  EXPECT_FALSE(has("Next page"));
}

TEST_F(QtGridPrint, ExportFollowsTheDisplayOrderAndDoublesQuotes) {
  auto rs = Numbers(2);
  rs->MoveFirst();
  rs->SetValue(1, Variant("Kö\"ln; Mitte"));
  rs->Update();
  grid_->DataSource(rs);
  grid_->Column(1).Order(0);
  const fs::path out = Scratch("export.txt");
  grid_->Export(out.string(), true, ";", "\"", "\"");
  EXPECT_EQ(ReadAll(out), "\"Kö\"\"ln; Mitte\";\"1\"\r\n\"Zeile 2\";\"2\"\r\n");
  fs::remove_all(out.parent_path());
}

}  // namespace
}  // namespace vmbgrid::qttest
