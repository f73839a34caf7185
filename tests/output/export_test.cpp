// Text export end to end: the file dialog, the remembered folder, the file byte
// for byte, and failures that leave nothing half-written behind.
#include "core/settings_store.h"
#include "host/delimited_text.h"
#include "layout/option_store.h"
#include "output/text_export.h"
#include "tests/output/output_fixture.h"

namespace vmbgrid::testing {
namespace {

constexpr const char* kBom = "\xEF\xBB\xBF";

class ExportTest : public OutputTest {
 protected:
  VMGrid& Customers() {
    VMGrid& g = Make();
    g.user("meier");
    g.AddField("Name", "Name", false, false, adVarChar);
    g.AddField("Ort", "Wohnort", false, false, adVarChar);
    g.AddField("Nr", "Nr", false, false, adInteger);
    g.AddSortColumn("Nr");
    return g;
  }
  std::string StoredFolder(VMGrid& g) {
    return g.Settings().ReadSetting(g.Options().Section(), "ParentFolderName", "meier", "Standard",
                                    "<keiner>");
  }
};

TEST_F(ExportTest, WritesCaptionsAndShownRowsInDisplayOrder) {
  VMGrid& g = Customers();
  g.AddRestriction("Ort", "Hamburg");
  g.Requery();
  main_.Column(ColumnOf("Nr")).Visible(false);
  const fs::path file = dir_ / "kunden.txt";
  platform_->files.PushAnswer(file.string());
  g.ExportText();
  EXPECT_EQ(Read(file),
            std::string(kBom) +
                "\"Name\";\"Wohnort\"\r\n\"Müller\";\"Hamburg\"\r\n\"Adler\";\"Hamburg\"\r\n");

  // A moved column keeps its caption: header and rows follow the display order.
  main_.Column(ColumnOf("Ort")).Order(0);
  platform_->files.PushAnswer(file.string());
  g.ExportText();
  EXPECT_EQ(Read(file),
            std::string(kBom) +
                "\"Wohnort\";\"Name\"\r\n\"Hamburg\";\"Müller\"\r\n\"Hamburg\";\"Adler\"\r\n");
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{"kunden.txt"}) << "no temporary file is left";
}

TEST_F(ExportTest, EmptyGridGivesTheHeaderOnly) {
  VMGrid& g = Customers();
  g.AddRestriction("Ort", "Nirgendwo");
  g.Requery();
  const fs::path file = dir_ / "leer.txt";
  fs::create_directories(dir_);
  { std::ofstream(file) << "alter Inhalt, viel länger als der neue"; }
  platform_->files.PushAnswer(file.string());
  g.ExportText();
  EXPECT_EQ(Read(file), std::string(kBom) + "\"Name\";\"Wohnort\";\"Nr\"\r\n")
      << "an existing file is replaced without asking";
}

TEST_F(ExportTest, QuotesAndSemicolonsInValuesReadBackWhole) {
  VMGrid& g = HostRows({{"Müller; Sohn", "Kö\"ln"}, {"Ärger", ""}});
  const fs::path file = dir_ / "daten.txt";
  platform_->files.PushAnswer(file.string());
  g.ExportText();
  EXPECT_EQ(Read(file),
            std::string(kBom) +
                "\"Name\";\"Ort\"\r\n\"Müller; Sohn\";\"Kö\"\"ln\"\r\n\"Ärger\";\"\"\r\n");
  const auto records = ParseDelimited(Read(file), ';', '"');
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1], (std::vector<std::string>{"Müller; Sohn", "Kö\"ln"}));
}

TEST_F(ExportTest, FolderIsRememberedPerUserAndProposedNextTime) {
  VMGrid& g = Customers();
  g.Requery();
  platform_->files.PushAnswer(std::nullopt);
  g.ExportText();
  ASSERT_EQ(platform_->files.Requests().size(), 1u);
  const FileDialogRequest first = platform_->files.Requests()[0];
  EXPECT_EQ(first.title, "Exportdatei auswählen");
  EXPECT_EQ(first.filter, "Textdateien:*.txt");
  EXPECT_EQ(first.fileName, "Kunden.txt");
  EXPECT_EQ(StoredFolder(g), "<keiner>") << "cancelling stores nothing";
  EXPECT_TRUE(FilesIn(dir_).empty()) << "and writes nothing";

  fs::create_directories(dir_ / "a");
  platform_->files.PushAnswer((dir_ / "a" / "x.txt").string());
  g.ExportText();
  const std::string folder = (dir_ / "a").string() + "/";
  EXPECT_EQ(StoredFolder(g), folder);
  platform_->files.PushAnswer(std::nullopt);
  g.ExportText();
  EXPECT_EQ(platform_->files.Requests().back().fileName, folder + "Kunden.txt");

  // A stored folder without its separator is proposed as it stands.
  g.Settings().WriteSetting(g.Options().Section(), "ParentFolderName", "/daten/b", "meier");
  platform_->files.PushAnswer(std::nullopt);
  g.ExportText();
  EXPECT_EQ(platform_->files.Requests().back().fileName, "/daten/bKunden.txt");
}

TEST_F(ExportTest, UnwritableTargetShowsAGermanMessageAndLeavesNoFile) {
  VMGrid& g = Customers();
  g.Requery();
  platform_->files.PushAnswer((dir_ / "fehlt" / "x.txt").string());
  g.ExportText();
  std::vector<std::string> messages = TakeMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("Die Tabelle konnte nicht exportiert werden.\n", 0), 0u);
  EXPECT_NE(messages[0].find("konnte nicht geschrieben werden"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir_ / "fehlt"));

  // A folder in the way of the file: the rename fails, the temporary files go.
  fs::create_directories(dir_ / "ordner.txt");
  platform_->files.PushAnswer((dir_ / "ordner.txt").string());
  g.ExportText();
  EXPECT_EQ(TakeMessages().size(), 1u);
  EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{"ordner.txt"});
  EXPECT_TRUE(fs::is_directory(dir_ / "ordner.txt"));
}

}  // namespace
}  // namespace vmbgrid::testing
