#include "adapters/common/layout_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "adapters/common/file_util.h"
#include "host/error.h"
#include "tests/raised.h"

namespace vmbgrid {
namespace {

namespace fs = std::filesystem;

class LayoutFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vmbgrid_layout_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / "Kunden.grx").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  static GridLayout Sample(const std::string& name) {
    GridLayout l;
    l.name = name;
    l.headerLines = 2;
    ColumnLayout a;
    a.index = 0;
    a.dataField = "Nr";
    a.caption = "Nummer";
    a.width = 800;
    a.order = 1;
    a.alignment = 1;
    a.numberFormat = "#########0";
    ColumnLayout b;
    b.index = 1;
    b.dataField = "Name";
    b.caption = "Name \"Firma\" ä";
    b.width = 2400.5;
    b.visible = false;
    b.order = 0;
    l.columns = {a, b};
    return l;
  }

  std::string Content() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void Write(const std::string& text) const {
    std::ofstream out(path_, std::ios::binary);
    out << text;
  }

  fs::path dir_;
  std::string path_;
};

TEST_F(LayoutFileTest, RoundTripKeepsEveryColumnProperty) {
  LayoutFile file(path_);
  file.Save(Sample("Standard"));
  GridLayout l = LayoutFile(path_).Load("Standard");
  ASSERT_EQ(l.columns.size(), 2u);
  EXPECT_EQ(l.headerLines, 2);
  EXPECT_EQ(l.columns[0].dataField, "Nr");
  EXPECT_EQ(l.columns[0].caption, "Nummer");
  EXPECT_EQ(l.columns[0].width, 800);
  EXPECT_EQ(l.columns[0].order, 1);
  EXPECT_EQ(l.columns[0].alignment, 1);
  EXPECT_EQ(l.columns[0].numberFormat, "#########0");
  EXPECT_TRUE(l.columns[0].visible);
  EXPECT_EQ(l.columns[1].caption, "Name \"Firma\" ä");
  EXPECT_EQ(l.columns[1].width, 2400.5);
  EXPECT_FALSE(l.columns[1].visible);
  // Nothing is left behind besides the file itself.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(LayoutFileTest, LayoutsOfOtherNamesStayIntact) {
  LayoutFile file(path_);
  file.Save(Sample("Standard"));
  GridLayout other = Sample("Meine");
  other.columns[0].caption = "Kd-Nr";
  file.Save(other);
  EXPECT_EQ(file.Names(), (std::vector<std::string>{"Standard", "Meine"}));

  // Replacing one keeps the position and the other layout.
  other.columns[0].caption = "Kundennummer";
  file.Save(other);
  EXPECT_EQ(file.Names(), (std::vector<std::string>{"Standard", "Meine"}));
  EXPECT_EQ(file.Load("Meine").columns[0].caption, "Kundennummer");
  EXPECT_EQ(file.Load("Standard").columns[0].caption, "Nummer");

  EXPECT_TRUE(file.Remove("Standard"));
  EXPECT_FALSE(file.Remove("Standard"));
  EXPECT_EQ(file.Names(), (std::vector<std::string>{"Meine"}));
  EXPECT_EQ(file.Load("Meine").columns[0].caption, "Kundennummer");
}

TEST_F(LayoutFileTest, MissingFileAndMissingLayout) {
  LayoutFile file(path_);
  EXPECT_TRUE(file.Names().empty());
  EXPECT_FALSE(file.Remove("X"));
  EXPECT_NE(
      testing::Raised([&] { file.Load("Standard"); }).Description().find("wurde nicht gefunden"),
      std::string::npos);
  file.Save(Sample("A"));
  EXPECT_NE(testing::Raised([&] { file.Load("B"); }).Description().find("Das Layout \"B\""),
            std::string::npos);
}

TEST_F(LayoutFileTest, DamagedFilesFailCleanlyAndAreNeverOverwritten) {
  LayoutFile good(path_);
  good.Save(Sample("Standard"));
  std::string full = Content();
  std::vector<std::string> damaged = {
      full.substr(0, full.size() / 2),  // truncated
      "",
      "kein json",
      "[1,2,3]",
      "{\"layouts\": 5}",
      "{\"layouts\": [{\"columns\": []}]}",  // no name
      std::string(100000, '[') + std::string(100000, ']'),
      std::string("{\"layouts\":[{\"name\":\"A\xFF\"}]}"),
  };
  for (const std::string& text : damaged) {
    Write(text);
    LayoutFile file(path_);
    EXPECT_THROW(file.Names(), VMError);
    EXPECT_THROW(file.Load("Standard"), VMError);
    EXPECT_THROW(file.Save(Sample("Neu")), VMError);
    EXPECT_THROW(file.Remove("Standard"), VMError);
    EXPECT_EQ(Content(), text) << "the damaged file must stay as it was";
  }
}

// A pipe would block the reader for good; a folder or a pipe at the file's place is
// refused with a message and stays what it is.
TEST_F(LayoutFileTest, OnlyARegularFileIsReadOrReplaced) {
  const fs::path pipe = dir_ / "Pipe.grx", folder = dir_ / "Ordner.grx";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  fs::create_directory(folder);
  for (const fs::path& p : {pipe, folder}) {
    SCOPED_TRACE(p.string());
    const auto type = fs::status(p).type();
    LayoutFile file(p.string());
    EXPECT_THROW(file.Names(), VMError);
    EXPECT_NE(testing::Raised([&] { file.Save(Sample("Neu")); })
                  .Description()
                  .find("\"" + p.string() + "\""),
              std::string::npos);
    EXPECT_EQ(fs::status(p).type(), type);
  }
}

// A layout with every column hidden, written by hand: the column first in display
// order shows, so no grid is left without a column.
TEST_F(LayoutFileTest, ALayoutHidingEveryColumnKeepsTheFirstShown) {
  GridLayout l = Sample("Versteckt");
  for (ColumnLayout& c : l.columns) c.visible = false;
  LayoutFile file(path_);
  file.Save(l);
  const GridLayout back = file.Load("Versteckt");
  EXPECT_FALSE(back.columns.at(0).visible);  // order 1
  EXPECT_TRUE(back.columns.at(1).visible);   // order 0
}

TEST_F(LayoutFileTest, WrongTypesInOneLayoutOnlyFailThatLayout) {
  Write(R"({"format":"VMBGrid-Layouts","version":1,"layouts":[
    {"name":"Gut","columns":[{"dataField":"Nr","caption":"Nr","width":900,"visible":true,"order":0}]},
    {"name":"Text","columns":[{"dataField":"Nr","caption":"Nr","width":"breit","visible":true,"order":0}]},
    {"name":"Negativ","columns":[{"dataField":"Nr","caption":"Nr","width":-1,"visible":true,"order":0}]},
    {"name":"Lücke","columns":[{"index":3,"dataField":"Nr","caption":"Nr","width":1,"visible":true,"order":0}]},
    {"name":"Fehlt","columns":[{"dataField":"Nr","width":1,"visible":true,"order":0}]},
    {"name":"Liste","columns":{"a":1}},
    {"name":"Sichtbar","columns":[{"dataField":"Nr","caption":"Nr","width":1,"visible":1,"order":0}]}
  ]})");
  LayoutFile file(path_);
  EXPECT_EQ(file.Load("Gut").columns.at(0).width, 900);
  for (const char* bad : {"Text", "Negativ", "Lücke", "Fehlt", "Liste", "Sichtbar"})
    EXPECT_NE(testing::Raised([&] { file.Load(bad); }).Description().find("ist ungültig"),
              std::string::npos)
        << bad;
  // Saving another layout keeps the broken ones as they were.
  file.Save(Sample("Neu"));
  EXPECT_EQ(file.Names().size(), 8u);
  EXPECT_THROW(file.Load("Text"), VMError);
}

TEST_F(LayoutFileTest, AtomicWriteFailsWithoutTouchingTarget) {
  WriteFileAtomically(path_, "alt");
  EXPECT_THROW(WriteFileAtomically((dir_ / "fehlt" / "x.txt").string(), "neu"), VMError);
  EXPECT_EQ(Content(), "alt");
}

}  // namespace
}  // namespace vmbgrid
