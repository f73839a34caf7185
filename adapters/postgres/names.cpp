// Names as users write them, decided by the server's catalog. The library writes
// every table and column in brackets, as the user or the host typed it
// ("[verkauf.auftraege]", "[Pgbench_Accounts]", "[AID]"); PostgreSQL keeps the
// letter case of quoted names and folds bare ones to lower case, so the same text
// names different objects on the two providers. One resolver, used by every
// statement of the session and by the hosts' table lookups:
//   - a name matches exactly first;
//   - otherwise the one object whose name matches without regard to case;
//   - several such objects are an error naming them, before anything is sent;
//   - no object at all leaves the name as written, and the server says what is missing.
// A schema-qualified table may be written "[verkauf.auftraege]" or
// "[verkauf].[auftraege]"; a table named with a dot itself is found first.
#include <algorithm>
#include <string>
#include <vector>

#include "adapters/postgres/internal.h"
#include "data/text_rules.h"
#include "host/sql_text.h"

namespace vmbgrid::postgres {

namespace {

std::string Quoted(const std::string& name) {
  return sql::BracketNamesToDoubleQuotes(sql::QuoteName(name));
}

// A PostgreSQL array literal of texts, for "= ANY($1::text[])".
std::string ArrayLiteral(const std::vector<std::string>& items) {
  std::string out = "{";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += ',';
    out += '"';
    for (char c : items[i]) {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
    out += '"';
  }
  return out + "}";
}

bool SameFolded(const std::string& a, const std::string& b) {
  return data::FoldText(a) == data::FoldText(b);
}

std::string Listed(const std::vector<std::string>& names) {
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i) out += i + 1 == names.size() ? " und " : ", ";
    out += "\"" + names[i] + "\"";
  }
  return out;
}

[[noreturn]] void Ambiguous(const std::string& written, const char* what,
                            std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  throw VMError(errc::kInvalidArgument, kSource,
                "Der Name \"" + written + "\" passt auf mehrere " + what + ": " + Listed(names) +
                    ". Bitte den Namen genau so schreiben, wie er in der Datenbank steht.");
}

}  // namespace

std::string CatalogRelation::Display() const { return visible ? name : schema + "." + name; }

std::string CatalogRelation::ServerText() const {
  return visible && !qualified ? Quoted(name) : Quoted(schema) + "." + Quoted(name);
}

std::vector<CatalogRelation> Session::CatalogRelations(const std::vector<std::string>& names,
                                                       bool anyCase) const {
  std::vector<CatalogRelation> out;
  if (names.empty()) return out;
  const std::string array = ArrayLiteral(names);
  const char* values[] = {array.c_str()};
  // One round trip: the relations of the names with their columns. Exact names
  // are found through the catalog's index; lower() on every relation name costs
  // in proportion to the catalog, so it runs only when an exact name settles nothing.
  // Prepared once per connection: planning them cost as much as running them.
  static constexpr const char* kQueries[2] = {
      "SELECT c.oid, n.nspname, c.relname, pg_catalog.pg_table_is_visible(c.oid), a.attname "
      "FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
      "LEFT JOIN pg_catalog.pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT "
      "a.attisdropped WHERE c.relkind IN ('r', 'v', 'm', 'p', 'f') AND c.relname = ANY "
      "($1::name[]) ORDER BY c.oid, a.attnum",
      "SELECT c.oid, n.nspname, c.relname, pg_catalog.pg_table_is_visible(c.oid), a.attname "
      "FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
      "LEFT JOIN pg_catalog.pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT "
      "a.attisdropped WHERE c.relkind IN ('r', 'v', 'm', 'p', 'f') AND lower(c.relname) = ANY "
      "(SELECT lower(x) FROM unnest($1::text[]) x) ORDER BY c.oid, a.attnum"};
  static constexpr const char* kNames[2] = {"vmgrid_names", "vmgrid_names_anycase"};
  const int q = anyCase ? 1 : 0;
  if (!namesPrepared_[q]) {
    ResultGuard prepared(PQprepare(conn_, kNames[q], kQueries[q], 1, nullptr));
    namesPrepared_[q] = PQresultStatus(prepared.res) == PGRES_COMMAND_OK;
  }
  ResultGuard res(namesPrepared_[q]
                      ? PQexecPrepared(conn_, kNames[q], 1, values, nullptr, nullptr, 0)
                      : PQexecParams(conn_, kQueries[q], 1, nullptr, values, nullptr, nullptr, 0));
  if (PQresultStatus(res.res) != PGRES_TUPLES_OK) throw ResultError(conn_, res.res, 0);
  std::string lastOid;
  for (int r = 0; r < PQntuples(res.res); ++r) {
    if (out.empty() || lastOid != PQgetvalue(res.res, r, 0)) {
      lastOid = PQgetvalue(res.res, r, 0);
      CatalogRelation rel;
      rel.schema = PQgetvalue(res.res, r, 1);
      rel.name = PQgetvalue(res.res, r, 2);
      rel.visible = PQgetvalue(res.res, r, 3)[0] == 't';
      out.push_back(std::move(rel));
    }
    if (!PQgetisnull(res.res, r, 4)) out.back().columns.push_back(PQgetvalue(res.res, r, 4));
  }
  return out;
}

namespace {

// A relation found by exactly the name written, with its schema where one was.
bool SameAsWritten(const CatalogRelation& r, const std::string& schema, const std::string& name) {
  if (!schema.empty()) return r.schema == schema && r.name == name;
  return r.name == name || (r.qualified && r.schema + "." + r.name == name);
}

// Names looked up for one written relation name: the name itself, and for a dotted
// one the table part of every split.
void AddLookups(const std::string& written, std::vector<std::string>& names) {
  names.push_back(written);
  for (size_t dot = written.find('.'); dot != std::string::npos; dot = written.find('.', dot + 1))
    names.push_back(written.substr(dot + 1));
}

const CatalogRelation* PickByName(const std::vector<const CatalogRelation*>& in,
                                  const std::string& written) {
  for (const CatalogRelation* r : in)
    if (r->name == written) return r;
  std::vector<const CatalogRelation*> folded;
  for (const CatalogRelation* r : in)
    if (SameFolded(r->name, written)) folded.push_back(r);
  if (folded.size() > 1) {
    std::vector<std::string> names;
    for (const CatalogRelation* r : folded) names.push_back(r->Display());
    Ambiguous(written, "Tabellen", names);
  }
  return folded.empty() ? nullptr : folded.front();
}

// schema.table, each part exactly or as the one match without regard to case.
std::optional<CatalogRelation> PickQualified(const std::vector<CatalogRelation>& rels,
                                             const std::string& schema, const std::string& table) {
  std::string chosen;
  std::vector<std::string> folded;
  for (const CatalogRelation& r : rels) {
    if (r.schema == schema) chosen = schema;
    if (SameFolded(r.schema, schema) &&
        std::find(folded.begin(), folded.end(), r.schema) == folded.end())
      folded.push_back(r.schema);
  }
  if (chosen.empty()) {
    if (folded.size() > 1) Ambiguous(schema, "Schemas", folded);
    if (folded.empty()) return std::nullopt;
    chosen = folded.front();
  }
  std::vector<const CatalogRelation*> in;
  for (const CatalogRelation& r : rels)
    if (r.schema == chosen) in.push_back(&r);
  const CatalogRelation* found = PickByName(in, table);
  if (!found) return std::nullopt;
  CatalogRelation r = *found;
  r.qualified = true;  // named through its schema: written with it
  return r;
}

}  // namespace

std::optional<CatalogRelation> Session::ResolveRelation(
    const std::string& schema, const std::string& name,
    const std::vector<CatalogRelation>& rels) const {
  if (!schema.empty()) return PickQualified(rels, schema, name);
  std::vector<const CatalogRelation*> visible;
  for (const CatalogRelation& r : rels)
    if (r.visible) visible.push_back(&r);
  if (const CatalogRelation* r = PickByName(visible, name)) return *r;
  // "verkauf.auftraege": schema and table, split at each dot in turn.
  for (size_t dot = name.find('.'); dot != std::string::npos; dot = name.find('.', dot + 1)) {
    if (dot == 0 || dot + 1 >= name.size()) continue;
    if (auto r = PickQualified(rels, name.substr(0, dot), name.substr(dot + 1))) return r;
  }
  return std::nullopt;
}

std::optional<CatalogRelation> Session::FindRelation(const std::string& written) const {
  std::string schema, name = written;
  // "[verkauf].[auftraege]" and "\"verkauf\".\"auftraege\"": the statement's own reading.
  const std::vector<NameUse> uses = StatementNames("SELECT * FROM " + written);
  if (uses.size() == 1 && uses[0].kind == NameUse::Kind::kRelation &&
      (uses[0].bracketed || written.find('"') != std::string::npos)) {
    schema = uses[0].schema;
    name = uses[0].name;
  } else if (written.size() >= 2 && written.front() == '[' && written.back() == ']') {
    name = written.substr(1, written.size() - 2);
  }
  std::vector<std::string> lookups;
  AddLookups(name, lookups);
  auto found = ResolveRelation(schema, name, CatalogRelations(lookups, false));
  if (found && SameAsWritten(*found, schema, name)) return found;
  return ResolveRelation(schema, name, CatalogRelations(lookups, true));
}

NameMapping Session::ResolveNames(const std::string& text) const {
  NameMapping mapping;
  const std::vector<NameUse> uses = StatementNames(text);
  if (std::none_of(uses.begin(), uses.end(), [](const NameUse& u) { return u.bracketed; }))
    return mapping;
  std::vector<std::string> lookups;
  for (const NameUse& u : uses) {
    if (u.kind == NameUse::Kind::kRelation) AddLookups(u.name, lookups);
  }
  std::vector<CatalogRelation> rels = CatalogRelations(lookups, false);
  // Every bracket relation found as written settles the statement; else the names
  // are looked up again in every letter case.
  const bool settled = std::all_of(uses.begin(), uses.end(), [&](const NameUse& u) {
    if (u.kind != NameUse::Kind::kRelation || !u.bracketed) return true;
    try {
      const auto r = ResolveRelation(u.schema, u.name, rels);
      return r && SameAsWritten(*r, u.schema, u.name);
    } catch (const VMError&) {
      return false;
    }
  });
  if (!settled) rels = CatalogRelations(lookups, true);

  // The statement's relations: bracket names by the rules, the others as the
  // server reads them.
  std::vector<CatalogRelation> found;
  for (const NameUse& u : uses) {
    if (u.kind != NameUse::Kind::kRelation) continue;
    std::optional<CatalogRelation> r;
    if (u.bracketed) {
      r = ResolveRelation(u.schema, u.name, rels);
      if (!r) continue;
      if (u.schemaToken != SIZE_MAX) {
        mapping[u.schemaToken] = Quoted(r->schema);
        mapping[u.token] = Quoted(r->name);
      } else {
        mapping[u.token] = r->ServerText();
      }
    } else {
      for (const CatalogRelation& c : rels) {
        if (c.name == u.name && (u.schema.empty() ? c.visible : c.schema == u.schema)) r = c;
      }
      if (!r) continue;
    }
    found.push_back(*r);
  }
  if (found.empty()) return mapping;

  for (const NameUse& u : uses) {
    if (u.kind == NameUse::Kind::kRelation) continue;
    if (u.kind == NameUse::Kind::kQualifier) {
      // "[kunden].[Name]": the qualifier is a table of the statement, or an alias.
      std::vector<std::string> names;
      for (const CatalogRelation& r : found) {
        if (r.name == u.name) names = {r.name};
        if (names.size() == 1 && names[0] == u.name) break;
        if (SameFolded(r.name, u.name) &&
            std::find(names.begin(), names.end(), r.name) == names.end())
          names.push_back(r.name);
      }
      if (names.size() == 1) mapping[u.token] = Quoted(names[0]);
      continue;
    }
    bool exact = false;
    std::vector<std::string> folded;
    for (const CatalogRelation& r : found) {
      for (const std::string& c : r.columns) {
        exact = exact || c == u.name;
        if (SameFolded(c, u.name) && std::find(folded.begin(), folded.end(), c) == folded.end())
          folded.push_back(c);
      }
    }
    if (exact || folded.empty()) continue;  // as written; the server names what is missing
    if (folded.size() > 1) Ambiguous(u.name, "Spalten", folded);
    mapping[u.token] = Quoted(folded.front());
  }
  return mapping;
}

}  // namespace vmbgrid::postgres

namespace vmbgrid::postgres {

std::vector<std::string> Session::TableNames() {
  EnsureConnected();
  // Everything the login may read, in every schema it may use; partitions are read
  // through their parent.
  ResultGuard res(
      PQexec(conn_,
             "SELECT n.nspname, c.relname, pg_catalog.pg_table_is_visible(c.oid) FROM "
             "pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace WHERE "
             "c.relkind IN ('r', 'v', 'm', 'p', 'f') AND NOT c.relispartition AND n.nspname <> "
             "'information_schema' AND n.nspname !~ '^pg_' AND "
             "pg_catalog.has_schema_privilege(n.oid, 'USAGE') AND "
             "pg_catalog.has_table_privilege(c.oid, 'SELECT')"));
  if (PQresultStatus(res.res) != PGRES_TUPLES_OK) throw ResultError(conn_, res.res, 0);
  std::vector<std::string> out;
  for (int r = 0; r < PQntuples(res.res); ++r) {
    CatalogRelation rel;
    rel.schema = PQgetvalue(res.res, r, 0);
    rel.name = PQgetvalue(res.res, r, 1);
    rel.visible = PQgetvalue(res.res, r, 2)[0] == 't';
    if (sql::IsStoreTable(rel.name)) continue;
    out.push_back(rel.Display());
  }
  std::sort(out.begin(), out.end(),
            [](const std::string& a, const std::string& b) { return data::CollateSort(a, b) < 0; });
  return out;
}

std::string Session::TableName(const std::string& written) {
  EnsureConnected();
  const auto found = FindRelation(written);
  if (!found) throw VMError(errc::kNoSuchTable, kSource, sql::NoSuchTableText(written));
  return found->Display();
}

}  // namespace vmbgrid::postgres
