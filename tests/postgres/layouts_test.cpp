// The layout functions on the server: installed by the first save only, an old
// schema brought up to date, and two processes saving the same layout at once.
#include <sys/wait.h>
#include <unistd.h>

#include "adapters/postgres/postgres_provider.h"
#include "data/provider.h"
#include "host/error.h"
#include "tests/postgres/pg_test_support.h"

namespace vmbgrid {
namespace {

std::unique_ptr<data::ProviderSession> Session(const std::string& cs) {
  postgres::Register();
  return data::FindProvider("PostgreSQL")->Open(data::ConnectionProperties::Parse(cs));
}

Parameter In(const std::string& name, const Variant& v) {
  Parameter p;
  p.name = "@" + name;
  p.value = v;
  return p;
}

class Rows : public data::ResultSink {
 public:
  std::vector<std::vector<Variant>> rows;
  void SetColumns(std::vector<data::ColumnMeta>) override {}
  void BeginRow() override { rows.emplace_back(); }
  void PutNull(int) override { rows.back().push_back(Variant::Null()); }
  void PutInteger(int, int64_t v) override { rows.back().push_back(Variant(v)); }
  void PutDouble(int, double v) override { rows.back().push_back(Variant(v)); }
  void PutDate(int, double v) override { rows.back().push_back(Variant::Date(v)); }
  void PutText(int, std::string_view v) override { rows.back().push_back(Variant(v)); }
  void PutBlob(int, std::string_view v) override { rows.back().push_back(Variant(v)); }
  void EndRow() override {}
};

void Call(data::ProviderSession& s, const char* proc, std::vector<Parameter> params,
          data::ResultSink* sink = nullptr, int32_t* layoutid = nullptr) {
  if (layoutid) {
    Parameter out;
    out.name = "@layoutid";
    out.direction = adParamOutput;
    params.push_back(out);
  }
  data::StatementRequest r;
  r.text = proc;
  r.commandType = adCmdStoredProc;
  r.parameters = &params;
  s.Execute(r, sink);
  if (layoutid) *layoutid = params.back().value.ToInt32();
}

// One save as the layout store makes it: the header, then one call per column.
int32_t Save(data::ProviderSession& s, const std::string& tag, int columns) {
  int32_t id = 0;
  Call(s, "aa_gridlayout",
       {In("SPAction", Variant(int16_t{2})), In("layout", Variant("App\\frm\\grd")),
        In("sublayout", Variant("Gemeinsam")), In("user", Variant("Standard"))},
       nullptr, &id);
  for (int c = 0; c < columns; ++c) {
    Call(s, "aa_gridlayoutfield",
         {In("SPAction", Variant(int16_t{2})), In("layoutid", Variant(id)),
          In("caption", Variant(tag)), In("fieldname", Variant("F" + std::to_string(c))),
          In("order", Variant(c)), In("sortdirection", Variant(0)), In("sortorder", Variant(0)),
          In("visible", Variant(true)), In("width", Variant(1000 + c))});
  }
  return id;
}

std::string Relation(pgtest::Database& db, const char* name) {
  return db.Value(std::string("SELECT coalesce(to_regclass('") + name + "')::text, '-')");
}

TEST(PostgresLayouts, BrowsingWritesNothingAndTheFirstSaveInstallsTheSchema) {
  VMBGRID_REQUIRE_POSTGRES();
  pgtest::Database db;
  auto s = Session(db.ConnectionString());
  Rows listed;
  Call(*s, "aa_gridlayout",
       {In("SPAction", Variant(int16_t{1})), In("layout", Variant("App\\frm\\grd")),
        In("sublayout", Variant::Null()), In("user", Variant("anna"))},
       &listed);
  EXPECT_TRUE(listed.rows.empty());
  EXPECT_EQ(Relation(db, "aa_gridlayout_kopf"), "-");
  EXPECT_EQ(Relation(db, "vmgrid_schema"), "-");

  const int32_t id = Save(*s, "erste", 3);
  EXPECT_EQ(db.Value("SELECT max(version) FROM vmgrid_schema"),
            std::to_string(postgres::kSchemaVersion));
  Rows fields;
  Call(*s, "aa_gridlayoutfield", {In("SPAction", Variant(int16_t{1})), In("layoutid", Variant(id))},
       &fields);
  ASSERT_EQ(fields.rows.size(), 3u);
  EXPECT_EQ(fields.rows[2][2], Variant("F2"));
  EXPECT_EQ(fields.rows[2][6], Variant(int64_t{1}));  // visible
}

TEST(PostgresLayouts, AnOlderSchemaIsBroughtUpToDateWithoutLosingLayouts) {
  VMBGRID_REQUIRE_POSTGRES();
  pgtest::Database db;
  // The tables as an older version left them: no generations, no functions.
  ASSERT_EQ(db.Exec("CREATE TABLE aa_gridlayout_kopf (layoutid serial PRIMARY KEY, layout "
                    "varchar(50) NOT NULL, sublayout varchar(50), \"user\" varchar(50)); "
                    "CREATE TABLE aa_gridlayout_feld (nr bigserial PRIMARY KEY, layoutid integer "
                    "NOT NULL, caption varchar(50), fieldname varchar(50), \"order\" integer, "
                    "sortdirection integer, sortorder integer, visible boolean NOT NULL DEFAULT "
                    "true, width integer); INSERT INTO aa_gridlayout_kopf (layout, sublayout, "
                    "\"user\") VALUES ('Alt', 'Alt', 'anna'); INSERT INTO aa_gridlayout_feld "
                    "(layoutid, fieldname) VALUES (1, 'Name')"),
            "");
  auto s = Session(db.ConnectionString());
  Save(*s, "neu", 2);
  Rows fields;
  Call(*s, "aa_gridlayoutfield", {In("SPAction", Variant(int16_t{1})), In("layoutid", Variant(1))},
       &fields);
  ASSERT_EQ(fields.rows.size(), 1u);
  EXPECT_EQ(fields.rows[0][2], Variant("Name"));

  // A function dropped behind the library's back: a German message, nothing written.
  ASSERT_EQ(db.Exec("DROP FUNCTION aa_gridlayoutfield"), "");
  auto fresh = Session(db.ConnectionString());
  try {
    Call(*fresh, "aa_gridlayoutfield",
         {In("SPAction", Variant(int16_t{1})), In("layoutid", Variant(1))});
  } catch (const VMError& e) {
    ADD_FAILURE() << "a read of a missing function is an empty result: " << e.Description();
  }
}

TEST(PostgresLayouts, TwoProcessesSavingTheSameLayoutLeaveOneCompleteVersion) {
  VMBGRID_REQUIRE_POSTGRES();
  pgtest::Database db;
  {
    auto s = Session(db.ConnectionString());
    Save(*s, "start", 5);
  }
  constexpr int kSaves = 200, kColumns = 5;
  pid_t children[2];
  for (int p = 0; p < 2; ++p) {
    children[p] = ::fork();
    ASSERT_GE(children[p], 0);
    if (children[p] == 0) {
      int status = 0;
      try {
        auto s = Session(db.ConnectionString());
        for (int i = 0; i < kSaves; ++i) {
          try {
            Save(*s, "p" + std::to_string(p) + "-" + std::to_string(i), kColumns);
          } catch (const VMError& e) {
            // Overtaken by the other process: refused, never mixed in.
            if (e.Number() != errc::kIntegrityViolation) throw;
          }
        }
      } catch (...) {
        status = 1;
      }
      ::_exit(status);
    }
  }
  for (pid_t c : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(c, &status, 0), c);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(db.Value("SELECT count(*) FROM aa_gridlayout_kopf"), "1");
  auto s = Session(db.ConnectionString());
  Rows fields;
  Call(*s, "aa_gridlayoutfield",
       {In("SPAction", Variant(int16_t{1})),
        In("layoutid", Variant(std::stoi(db.Value("SELECT layoutid FROM aa_gridlayout_kopf"))))},
       &fields);
  ASSERT_EQ(fields.rows.size(), static_cast<size_t>(kColumns));
  for (int c = 0; c < kColumns; ++c) {
    EXPECT_EQ(fields.rows[c][1], fields.rows[0][1]) << "columns of two saves mixed";
    EXPECT_EQ(fields.rows[c][2], Variant("F" + std::to_string(c)));
  }
  EXPECT_EQ(db.Value("SELECT count(*) FROM aa_gridlayout_feld"), std::to_string(kColumns));
}

}  // namespace
}  // namespace vmbgrid
