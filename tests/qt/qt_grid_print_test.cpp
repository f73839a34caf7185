// Printing on Qt Print Support: PDF targets that fail, the preview window's German
// texts, and the delimited export in display order.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QAction>
#include <QPrintPreviewDialog>
#include <algorithm>
#include <filesystem>
#include <fstream>
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

fs::path Scratch(const char* name) {
  fs::path dir = fs::temp_directory_path() / "vmbgrid_qt_print";
  fs::create_directories(dir);
  return dir / name;
}

// A PDF goes through the safe writer: what stands at the target other than a regular
// file is refused, and a missing folder or a full disk are named with the chosen
// file, as the text export names them; no page counts and nothing is left behind.
TEST_F(QtGridPrint, PdfFailuresNameTheFileAndTheCause) {
  grid_->DataSource(Numbers(100));
  const fs::path dir = Scratch("ziele");
  fs::create_directories(dir / "ordner.pdf");
  ASSERT_EQ(::mkfifo((dir / "pipe.pdf").c_str(), 0600), 0);
  struct Case {
    fs::path target;
    const char* cause;
    rlim_t sizeLimit;  // 0: none
  };
  const Case cases[] = {
      {dir / "fehlt" / "x.pdf", "Den Ordner gibt es nicht.", 0},
      {dir / "ordner.pdf", "An dieser Stelle steht ein Ordner", 0},
      {dir / "pipe.pdf", "An dieser Stelle steht eine Pipe (FIFO)", 0},
      {dir / "voll.pdf", "Der Datenträger ist voll.", 4096},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target.string());
    const auto type = fs::symlink_status(c.target).type();
    std::string description;
    {
      sighandler_t oldSignal = ::signal(SIGXFSZ, SIG_IGN);
      rlimit old{};
      ::getrlimit(RLIMIT_FSIZE, &old);
      rlimit lowered = old;
      if (c.sizeLimit) lowered.rlim_cur = c.sizeLimit;
      ::setrlimit(RLIMIT_FSIZE, &lowered);
      grid_->PrintToPdf(c.target.string());
      try {
        grid_->PrintData();
      } catch (const VMError& e) {
        description = e.Description();
      }
      ::setrlimit(RLIMIT_FSIZE, &old);
      ::signal(SIGXFSZ, oldSignal);
    }
    EXPECT_EQ(description.rfind("Die Datei \"" + c.target.string() + "\"", 0), 0u) << description;
    EXPECT_NE(description.find(c.cause), std::string::npos) << description;
    EXPECT_EQ(grid_->LastPrintPages(), 0);
    EXPECT_EQ(fs::symlink_status(c.target).type(), type);
  }
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir)) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"ordner.pdf", "pipe.pdf"}));
  fs::remove_all(dir.parent_path());
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
  // Only the current row, as the cells show it; a hidden column is left out.
  grid_->Column(0).NumberFormat("Standard");
  grid_->Column(1).Visible(false);
  grid_->Bookmark(rs->BookmarkAt(1));
  grid_->Export(out.string(), false, ";", "", "");
  EXPECT_EQ(ReadAll(out), "2,00\r\n");
  EXPECT_THROW(grid_->Export((out.parent_path() / "fehlt" / "x.txt").string(), true, ";", "", ""),
               VMError);
  fs::remove_all(out.parent_path());
}

}  // namespace
}  // namespace vmbgrid::qttest
