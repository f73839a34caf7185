#include "adapters/common/layout_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

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

}  // namespace
}  // namespace vmbgrid
