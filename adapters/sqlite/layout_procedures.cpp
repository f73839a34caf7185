// The two layout procedures of the grid library on SQLite: "aa_gridlayout" keeps one
// header per (layout, sublayout, user), "aa_gridlayoutfield" the column records of a
// header. The tables are created by the first save; the schema is in README.md.
// Every value reaches SQLite as a bound parameter.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "adapters/sqlite/internal.h"
#include "host/error.h"

namespace vmbgrid::sqlite {

namespace {

// Created by the first save only: looking at a database never writes to it.
constexpr const char* kCreateTables[] = {
    "CREATE TABLE IF NOT EXISTS aa_gridlayout_kopf ("
    "layoutid INTEGER PRIMARY KEY AUTOINCREMENT, layout VARCHAR(50) NOT NULL, "
    "sublayout VARCHAR(50), \"user\" VARCHAR(50))",
    "CREATE INDEX IF NOT EXISTS aa_gridlayout_kopf_name ON aa_gridlayout_kopf "
    "(layout COLLATE NOCASE, \"user\" COLLATE NOCASE)",
    "CREATE TABLE IF NOT EXISTS aa_gridlayout_feld ("
    "nr INTEGER PRIMARY KEY AUTOINCREMENT, layoutid INTEGER NOT NULL, caption VARCHAR(50), "
    "fieldname VARCHAR(50), \"order\" INTEGER, sortdirection INTEGER, sortorder INTEGER, "
    "visible BOOLEAN NOT NULL DEFAULT 1, width INTEGER)",
    "CREATE INDEX IF NOT EXISTS aa_gridlayout_feld_kopf ON aa_gridlayout_feld (layoutid)"};

// What a read gives before anything was ever saved: the columns, no rows.
constexpr const char* kNoHeaders =
    "SELECT NULL AS layoutid, NULL AS layout, NULL AS sublayout, NULL AS \"user\" WHERE 0";
constexpr const char* kNoFields =
    "SELECT NULL AS layoutid, NULL AS caption, NULL AS fieldname, NULL AS \"order\", "
    "NULL AS sortdirection, NULL AS sortorder, NULL AS visible, NULL AS width WHERE 0";

// Names compare without regard to case, like the server databases' default
// collation the procedures were first written for. A Null sublayout or user
// matches only Null.
constexpr const char* kMatchHeader =
    "layout = @layout COLLATE NOCASE AND sublayout IS @sublayout COLLATE NOCASE AND "
    "\"user\" IS @user COLLATE NOCASE";

constexpr const char* kFieldColumns =
    "layoutid, caption, fieldname, \"order\", sortdirection, sortorder, visible, width";

// Collects the first column of the rows, for the ids the procedures look up.
class IdSink final : public data::ResultSink {
 public:
  std::vector<int64_t> ids;
  void SetColumns(std::vector<data::ColumnMeta>) override {}
  void BeginRow() override { first_ = true; }
  void PutNull(int) override { first_ = false; }
  void PutInteger(int, int64_t value) override {
    if (first_) ids.push_back(value);
    first_ = false;
  }
  void PutDouble(int, double value) override { PutInteger(0, static_cast<int64_t>(value)); }
  void PutDate(int, double) override { first_ = false; }
  void PutText(int, std::string_view) override { first_ = false; }
  void PutBlob(int, std::string_view) override { first_ = false; }
  void EndRow() override {}

 private:
  bool first_ = false;
};

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

Parameter* Find(std::vector<Parameter>& params, std::string_view name) {
  const std::string wanted = Lower(name);
  for (Parameter& p : params) {
    std::string_view n = p.name;
    if (!n.empty() && (n[0] == '@' || n[0] == ':' || n[0] == '$')) n.remove_prefix(1);
    if (Lower(n) == wanted) return &p;
  }
  return nullptr;
}

// The input parameter of that name for a statement; Null when the caller gave none.
Parameter In(std::vector<Parameter>& params, const char* name) {
  Parameter p;
  p.name = std::string("@") + name;
  if (Parameter* given = Find(params, name)) {
    p.type = given->type;
    p.value = given->value;
    if (p.value.IsEmpty() || p.value.IsMissing()) p.value = Variant::Null();
  } else {
    p.value = Variant::Null();
  }
  return p;
}

int Action(std::vector<Parameter>& params, const char* procedure) {
  Parameter* p = Find(params, "SPAction");
  if (!p || p->value.IsNull() || p->value.IsEmpty() || p->value.IsMissing()) {
    throw VMError(errc::kInvalidArgument, kSource,
                  std::string("Der Prozedur \"") + procedure + "\" fehlt der Parameter SPAction.");
  }
  return p->value.ToInt32();
}

[[noreturn]] void UnknownAction(const char* procedure, int action) {
  throw VMError(errc::kRejectedStatement, kSource,
                std::string("Die Prozedur \"") + procedure + "\" kennt die Aktion " +
                    std::to_string(action) + " nicht.");
}

int64_t Run(data::ProviderSession& session, const std::string& text, std::vector<Parameter>* params,
            data::ResultSink* sink) {
  data::StatementRequest r;
  r.text = text;
  r.parameters = params;
  return session.Execute(r, sink);
}

void CreateTables(data::ProviderSession& session) {
  for (const char* statement : kCreateTables) Run(session, statement, nullptr, nullptr);
}

bool TablesExist(data::ProviderSession& session) {
  IdSink count;
  Run(session,
      "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND "
      "name IN ('aa_gridlayout_kopf', 'aa_gridlayout_feld')",
      nullptr, &count);
  return !count.ids.empty() && count.ids.front() == 2;
}

std::vector<int64_t> MatchingHeaders(data::ProviderSession& session, std::vector<Parameter>& in) {
  IdSink ids;
  Run(session,
      std::string("SELECT layoutid FROM aa_gridlayout_kopf WHERE ") + kMatchHeader +
          " ORDER BY layoutid",
      &in, &ids);
  return ids.ids;
}

void DeleteHeader(data::ProviderSession& session, int64_t id, bool headerToo) {
  std::vector<Parameter> p(1);
  p[0].name = "@id";
  p[0].value = Variant(id);
  Run(session, "DELETE FROM aa_gridlayout_feld WHERE layoutid = @id", &p, nullptr);
  if (headerToo) Run(session, "DELETE FROM aa_gridlayout_kopf WHERE layoutid = @id", &p, nullptr);
}

void GridLayout(data::ProviderSession& session, std::vector<Parameter>& params,
                data::ResultSink* sink) {
  const int action = Action(params, "aa_gridlayout");
  std::vector<Parameter> in = {In(params, "layout"), In(params, "sublayout"), In(params, "user")};
  const bool saved = TablesExist(session);
  if (!saved && action != 2) {
    if (action == 1 || action == 5) Run(session, kNoHeaders, nullptr, sink);
    if (action == 1 || action == 3 || action == 5) return;
    UnknownAction("aa_gridlayout", action);
  }
  switch (action) {
    case 1: {  // the user's layouts of one grid
      std::vector<Parameter> p = {in[0], in[2]};
      Run(session,
          "SELECT layoutid, layout, sublayout, \"user\" FROM aa_gridlayout_kopf "
          "WHERE layout = @layout COLLATE NOCASE AND \"user\" IS @user COLLATE NOCASE "
          "ORDER BY sublayout COLLATE NOCASE, layoutid",
          &p, sink);
      return;
    }
    case 2: {  // a header without field records, its id in @layoutid
      if (in[0].value.IsNull()) {
        throw VMError(errc::kInvalidArgument, kSource,
                      "Ein Layout ohne Namen der Tabelle kann nicht gespeichert werden.");
      }
      if (!saved) CreateTables(session);
      std::vector<int64_t> ids = MatchingHeaders(session, in);
      int64_t id = 0;
      if (ids.empty()) {
        Run(session,
            "INSERT INTO aa_gridlayout_kopf (layout, sublayout, \"user\") "
            "VALUES (@layout, @sublayout, @user)",
            &in, nullptr);
        IdSink last;
        Run(session, "SELECT last_insert_rowid()", nullptr, &last);
        id = last.ids.at(0);
      } else {
        // Saving again under the same name: the old field records go, and so do
        // duplicate headers an older version of these tables may hold.
        id = ids.front();
        for (size_t i = 0; i < ids.size(); ++i) DeleteHeader(session, ids[i], i > 0);
      }
      Parameter* out = Find(params, "layoutid");
      if (!out) {
        Parameter p;
        p.name = "@layoutid";
        p.type = adInteger;
        p.direction = adParamOutput;
        params.push_back(p);
        out = &params.back();
      }
      out->value = Variant(static_cast<int32_t>(id));
      return;
    }
    case 3: {  // the layout and its field records
      for (int64_t id : MatchingHeaders(session, in)) DeleteHeader(session, id, true);
      return;
    }
    case 5: {  // the matching headers
      Run(session,
          std::string("SELECT layoutid, layout, sublayout, \"user\" FROM aa_gridlayout_kopf "
                      "WHERE ") +
              kMatchHeader + " ORDER BY layoutid",
          &in, sink);
      return;
    }
    default:
      UnknownAction("aa_gridlayout", action);
  }
}

void GridLayoutField(data::ProviderSession& session, std::vector<Parameter>& params,
                     data::ResultSink* sink) {
  const int action = Action(params, "aa_gridlayoutfield");
  std::vector<Parameter> id = {In(params, "layoutid")};
  if (!TablesExist(session)) {
    if (action == 1 || action == 4) {
      Run(session, kNoFields, nullptr, sink);
      return;
    }
    if (action == 2) {
      throw VMError(errc::kIntegrityViolation, kSource,
                    "Zu dieser Spalte gibt es kein gespeichertes Layout.");
    }
    UnknownAction("aa_gridlayoutfield", action);
  }
  switch (action) {
    case 1:  // in column order, as written
      Run(session,
          std::string("SELECT ") + kFieldColumns +
              " FROM aa_gridlayout_feld WHERE layoutid = @layoutid ORDER BY nr",
          &id, sink);
      return;
    case 2: {  // one field record
      IdSink header;
      Run(session, "SELECT layoutid FROM aa_gridlayout_kopf WHERE layoutid = @layoutid", &id,
          &header);
      if (header.ids.empty()) {
        // A record without header could never be read or deleted again.
        throw VMError(errc::kIntegrityViolation, kSource,
                      "Zu dieser Spalte gibt es kein gespeichertes Layout.");
      }
      std::vector<Parameter> in = {id[0],
                                   In(params, "caption"),
                                   In(params, "fieldname"),
                                   In(params, "order"),
                                   In(params, "sortdirection"),
                                   In(params, "sortorder"),
                                   In(params, "visible"),
                                   In(params, "width")};
      if (in[6].value.IsNull()) in[6].value = Variant(true);
      Run(session,
          std::string("INSERT INTO aa_gridlayout_feld (") + kFieldColumns +
              ") VALUES (@layoutid, @caption, @fieldname, @order, @sortdirection, @sortorder, "
              "@visible, @width)",
          &in, nullptr);
      return;
    }
    case 4:  // in sort order
      Run(session,
          std::string("SELECT ") + kFieldColumns +
              " FROM aa_gridlayout_feld WHERE layoutid = @layoutid ORDER BY sortorder, nr",
          &id, sink);
      return;
    default:
      UnknownAction("aa_gridlayoutfield", action);
  }
}

}  // namespace

void RegisterLayoutProcedures() {
  RegisterProcedure("aa_gridlayout", GridLayout);
  RegisterProcedure("aa_gridlayoutfield", GridLayoutField);
}

}  // namespace vmbgrid::sqlite
