// Hostile but realistic input on the paths where names and criteria reach SQL:
// names holding brackets, quotes and statement separators are found or refused,
// never run as SQL; quoted criteria compare exactly; huge criteria stay cheap and
// their messages short; and a user who only looks never changes the database file.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>

#include "host/sql_text.h"
#include "search/criteria.h"
#include "tests/controller/controller_fixture.h"

namespace vmbgrid::testing {
namespace {

namespace fs = std::filesystem;

std::string FileBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// ---------------------------------------------------------------- quoted criteria

class ExactCriteria : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    for (const char* name : {"Mül*", "Was?", "Wash", "50%", "500", "a_b", "axb"})
      conn_->Execute(std::string("INSERT INTO Kunden (Nr, Name) VALUES (99, '") + name + "')");
  }
  std::vector<std::string> Find(const std::string& typed) {
    vm_->AddRestriction("Name", typed);
    vm_->Requery();
    return Column("Name");
  }
};

TEST_F(ExactCriteria, QuotedValuesKeepWildcardCharactersOnBothPaths) {
  using Names = std::vector<std::string>;
  MakeTyped();
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass == 0 ? "database" : "host-supplied rows");
    // "a_b" unquoted: no wildcard typed, an exact comparison.
    for (const char* name : {"Mül*", "Was?", "50%", "a_b"})
      EXPECT_EQ(Find('"' + std::string(name) + '"'), Names{name});
    EXPECT_EQ(Find("a_b"), Names{"a_b"});
    // Typed wildcards still search by pattern.
    EXPECT_EQ(Find("Mül*").size(), 2u);
    EXPECT_EQ(Find("Wa??"), (Names{"Was?", "Wash"}));
    if (pass == 0) {
      TakeLog();
      Find("\"Mül*\"");
      EXPECT_EQ(Last(), "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Name] = 'Mül*')");
      Find("Mül*");
      EXPECT_EQ(Last(), "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Name] LIKE 'Mül%')");
      // The same rows, now handed over by the host.
      vm_->AddRestriction("Name", "");
      vm_->Requery();
      vm_->SetRS(HostRows("Name, Ort, Nr"));
    }
  }
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(ExactCriteria, HostFilterTranslatesWildcardsInItsLikePatternsOnly) {
  VMGrid& g = MakeTyped();
  g.filter("[Name] LIKE 'Mül*' OR [Name] = 'Was?'");
  TakeLog();
  g.Requery();
  EXPECT_EQ(Last(),
            "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Name] LIKE 'Mül%' OR [Name] = 'Was?')");
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"Müller", "Mül*", "Was?"}));
}

// ---------------------------------------------------------------- names

class HostileNames : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    dir_ = fs::temp_directory_path() / ("vmbgrid-names-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    file_ = dir_ / "kunden;test.db";
    fileConn_ = sqlite::ConnectionStringForFile(file_.string());
    auto c = data::DefaultDataAccess().CreateConnection();
    c->ConnectionString(fileConn_ + ";Mode=Create");
    c->Open();
    // The last table's names hold every character that means something to SQL.
    for (const char* sql :
         {"CREATE TABLE Orte (Ort TEXT)", "INSERT INTO Orte VALUES ('Berlin')",
          "CREATE TABLE Kunden (Nr INTEGER, Name TEXT)", "INSERT INTO Kunden VALUES (1, 'Meier')",
          "CREATE TABLE \"Kun]den; --\" (\"a]b\" INTEGER, \"q\"\"x\" TEXT, \"x;y\" TEXT, "
          "\"--c\" TEXT, \"[d\" TEXT, \"e f\" TEXT)",
          "INSERT INTO \"Kun]den; --\" VALUES (1, 'eins', 'x', 'y', 'z', 'w')",
          "INSERT INTO \"Kun]den; --\" VALUES (2, 'zwei', 'x', 'y', 'z', 'w')"})
      c->Execute(sql);
    c->Close();
  }
  void TearDown() override {
    ControllerTest::TearDown();
    fs::remove_all(dir_);
  }
  VMGrid& OnFile(const std::string& table) {
    vm_ = std::make_unique<VMGrid>();
    vm_->Init(0, "Test", "frmNamen");
    vm_->grid(&main_);
    vm_->ConnectionString(fileConn_);
    vm_->RecordSource(table);
    return *vm_;
  }
  fs::path dir_, file_;
  std::string fileConn_;
};

TEST_F(HostileNames, EveryPlaceANameReachesSqlFindsItsObject) {
  const std::string before = FileBytes(file_);
  const std::string table = "Kun]den; --";
  const std::vector<std::string> columns = {"a]b", "q\"x", "x;y", "--c", "[d", "e f"};
  {
    VMGrid& g = OnFile(table);  // every column from the table itself
    g.SortBy("a]b");
    g.SortAscending(false);
    g.Requery();
    EXPECT_EQ(g.RecordCount(), 2);
    EXPECT_EQ(Column("a]b"), (std::vector<std::string>{"2", "1"}));
    EXPECT_EQ(Column("q\"x"), (std::vector<std::string>{"zwei", "eins"}));
  }
  for (const std::string& column : columns) {
    SCOPED_TRACE(column);
    TakeMessages();
    VMGrid& g = OnFile(table);
    g.AddField(column);  // the type probe quotes it too
    g.AddPrimaryKeyRestriction("a]b", Variant::Missing());
    g.AddSortColumn(column, descending);
    g.AddRestriction(column, column == "q\"x" ? "zwei" : column == "a]b" ? ">=1" : "*");
    g.Requery("a]b");
    EXPECT_TRUE(TakeMessages().empty());
    EXPECT_EQ(g.RecordCount(), column == "q\"x" ? 1 : 2);
    EXPECT_EQ(Column(column).size(), static_cast<size_t>(g.RecordCount()));
  }
  vm_.reset();
  EXPECT_EQ(FileBytes(file_), before);
}

TEST_F(HostileNames, NamesThatEndTheirQuotesAreMissingObjectsNotStatements) {
  const std::string before = FileBytes(file_);
  const char* tables[] = {"Kunden]; DROP TABLE Orte; --", "Kunden\"; DROP TABLE Orte; --",
                          "Kunden'; DROP TABLE Orte; --"};
  for (const char* table : tables) {
    SCOPED_TRACE(table);
    TakeMessages();
    VMGrid& g = OnFile(table);
    g.AddField("Name");
    g.Requery();
    EXPECT_EQ(g.RecordCount(), 0);
    const std::string shown =
        OneMessage("Die Tabelle \"" + std::string(table) + "\" gibt es in der Datenbank nicht.");
    EXPECT_TRUE(shown.starts_with("Fehler in Filter: SELECT ")) << shown;
  }
  {
    VMGrid& g = OnFile("Kunden");
    g.AddField("Name]; DROP TABLE Orte; --");
    g.AddField("Name");
    g.Requery();
    OneMessage("Die Spalte \"Name]; DROP TABLE Orte; --\" gibt es in der Tabelle nicht.");
  }
  vm_.reset();
  EXPECT_EQ(FileBytes(file_), before);
  auto c = data::DefaultDataAccess().CreateConnection();
  c->ConnectionString(fileConn_);
  c->Open();
  EXPECT_NO_THROW(c->Execute("SELECT * FROM Orte"));
}

// ---------------------------------------------------------------- looking never writes

TEST_F(HostileNames, BrowsingLeavesEmptyCorruptAndReadOnlyFilesAsTheyWere) {
  struct Case {
    std::string name, bytes, mode;
  };
  std::string valid = FileBytes(file_);
  std::string corrupt = valid;
  for (size_t i = 4096; i < corrupt.size(); i += 7) corrupt[i] = static_cast<char>(i * 31);
  const Case cases[] = {{"leer.db", "", ""},
                        {"kaputt.db", corrupt, ""},
                        {"keine.db", std::string(5000, 'x'), ""},
                        {"gut.db", valid, ""},
                        {"nurlesen.db", valid, ";Mode=ReadOnly"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path p = dir_ / c.name;
    {
      std::ofstream out(p, std::ios::binary);
      out << c.bytes;
    }
    for (const char* table : {"Kunden", "Orte"}) {
      vm_ = std::make_unique<VMGrid>();
      vm_->Init(0, "Test", "frmKunden");
      vm_->grid(&main_);
      vm_->user("Anna");
      vm_->SaveMode(velmDB);
      vm_->ConnectionString(sqlite::ConnectionStringForFile(p.string()) + c.mode);
      vm_->RecordSource(table);
      vm_->AddField("Name");  // Orte has no such column
      vm_->Requery();
      vm_->Requery();
      vm_.reset();  // shutdown: options and the layout state
    }
    EXPECT_EQ(FileBytes(p), c.bytes);
    TakeMessages();
  }
}

// ---------------------------------------------------------------- sizes

class LargeCriteria : public ControllerTest {};

TEST_F(LargeCriteria, ThousandsOfAlternativesStayWithinTheDatabaseLimits) {
  VMGrid& g = MakeTyped();
  std::string numbers, ranges, names;
  for (int i = 1; i <= 10000; ++i) {
    numbers += std::to_string(i) + ";";
    if (i <= 5000) ranges += std::to_string(i * 10) + "-" + std::to_string(i * 10 + 1) + ";";
    names += "N" + std::to_string(i) + ";";
  }
  for (const auto& [field, typed, rows] :
       {std::tuple{"Nr", numbers, 8}, std::tuple{"Nr", ranges, 0},
        std::tuple{"Name", names + "Meier", 1}}) {
    SCOPED_TRACE(field);
    g.AddRestriction("Nr", "");
    g.AddRestriction("Name", "");
    g.AddRestriction(field, typed);
    g.Requery();
    for (const std::string& m : TakeMessages()) ADD_FAILURE() << sql::Excerpt(m, 400);
    EXPECT_EQ(g.RecordCount(), rows);
  }
  // A few alternatives keep their plain form.
  TakeLog();
  g.AddRestriction("Name", "");
  g.AddRestriction("Nr", "1;2;3");
  g.Requery();
  EXPECT_EQ(Last(),
            "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Nr] = 1 OR [Nr] = 2 OR [Nr] = 3)");
}

TEST_F(LargeCriteria, OversizedCriteriaGetShortGermanMessages) {
  VMGrid& g = MakeTyped();
  const std::string tooLong(search::kMaxCriterionLength + 1, 'x');
  g.AddRestriction("Name", tooLong, false, adVarChar);
  TakeLog();
  g.Requery();
  EXPECT_TRUE(TakeLog().empty());
  EXPECT_EQ(TakeMessages(),
            (std::vector<std::string>{"Fehler in Filter: Das Suchkriterium in der Spalte Name ist "
                                      "zu lang; erlaubt sind höchstens 100.000 Zeichen."}));
  // A pattern beyond the database's own limit: its reason, in a message a box can show.
  g.AddRestriction("Name", std::string(60000, 'y') + "*");
  g.Requery();
  EXPECT_LT(OneMessage("Das Suchkriterium ist zu umfangreich für die Datenbank.").size(), 800u);
  // A refused value is quoted as a short excerpt.
  g.AddRestriction("Name", "");
  g.AddRestriction("Nr", std::string(50000, '1') + " OR 1=1");
  g.Requery();
  EXPECT_LT(OneMessage("…' in der Spalte Nr ist keine gültige Zahl.").size(), 300u);
  g.AddRestriction("Nr", "17");
  g.Requery();
  EXPECT_EQ(g.RecordCount(), 1);
}

}  // namespace
}  // namespace vmbgrid::testing
