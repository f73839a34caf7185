// The layout and settings store as this session finds it, and its setup. Whether
// the store is there and usable is read from the catalog, so that a database
// without it (or a login without rights on it) never sees a failing statement in
// the server's log; who may write which entries is asked of the server's own rule.
#include <string>
#include <vector>

#include "adapters/postgres/internal.h"

namespace vmbgrid::postgres {

namespace {

constexpr const char* kDefaultUserRole = "vmgrid_benutzer";

// What the administrator types: the setup on this database.
std::string SetupCommand(PGconn* conn) {
  const char* host = PQhost(conn);
  const char* port = PQport(conn);
  std::string where = "host=" + std::string(host && *host ? host : "localhost");
  if (port && *port && std::string(port) != "5432") where += " port=" + std::string(port);
  return "vmbgrid-sampledb --setup --db \"" + where + " dbname=" + PQdb(conn) +
         " user=<Administrator>\"";
}

// A role or login as GRANT takes it: bare when PostgreSQL reads it unchanged.
std::string GrantName(const std::string& name) {
  bool bare = !name.empty() && !(name[0] >= '0' && name[0] <= '9');
  for (char c : name) bare = bare && ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_');
  if (bare) return name;
  std::string out = "\"";
  for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

bool IsTrue(const PGresult* res, int col) { return PQgetvalue(res, 0, col)[0] == 't'; }

}  // namespace

StoreState::Kind StoreState::Check(PGconn* conn) {
  if (kind_ == Kind::kReady) return kind_;
  ResultGuard res(
      PQexec(conn,
             "SELECT session_user, s.oid IS NOT NULL, s.oid IS NOT NULL AND "
             "pg_catalog.has_table_privilege(s.oid, 'SELECT'), t.oid IS NOT NULL AND "
             "pg_catalog.has_table_privilege(t.oid, 'SELECT') AND "
             "pg_catalog.has_table_privilege(t.oid, 'INSERT') AND "
             "pg_catalog.has_table_privilege(t.oid, 'UPDATE') AND "
             "pg_catalog.has_table_privilege(t.oid, 'DELETE'), (SELECT count(*) FROM "
             "pg_catalog.pg_proc p WHERE p.proname IN ('aa_gridlayout', 'aa_gridlayoutfield', "
             "'vmgrid_write_refusal') AND pg_catalog.pg_function_is_visible(p.oid) AND "
             "pg_catalog.has_function_privilege(p.oid, 'EXECUTE')) FROM (SELECT "
             "pg_catalog.to_regclass('vmgrid_schema') AS oid) s, (SELECT "
             "pg_catalog.to_regclass('vmgrid_settings') AS oid) t"));
  if (PQresultStatus(res.res) != PGRES_TUPLES_OK) throw ResultError(conn, res.res, 0);
  login_ = PQgetvalue(res.res, 0, 0);
  const std::string db = std::string("\"") + PQdb(conn) + "\"";
  if (!IsTrue(res.res, 1)) {
    kind_ = Kind::kMissing;
    problem_ =
        "Der Layoutspeicher für Spalteneinstellungen, Optionen und Filter ist in der "
        "Datenbank " +
        db +
        " nicht eingerichtet. Der Administrator richtet ihn einmal "
        "ein mit: " +
        SetupCommand(conn);
    return kind_;
  }
  std::string userRole = kDefaultUserRole;
  int version = 0;
  if (IsTrue(res.res, 2)) {
    ResultGuard v(PQexec(conn, "SELECT coalesce(max(version), 0) FROM vmgrid_schema"));
    if (PQresultStatus(v.res) != PGRES_TUPLES_OK) throw ResultError(conn, v.res, 0);
    version = std::atoi(PQgetvalue(v.res, 0, 0));
    if (version >= 2) {
      ResultGuard r(PQexec(conn, "SELECT user_role FROM vmgrid_schema LIMIT 1"));
      if (PQresultStatus(r.res) == PGRES_TUPLES_OK && PQntuples(r.res) > 0 &&
          !PQgetisnull(r.res, 0, 0))
        userRole = PQgetvalue(r.res, 0, 0);
    }
  }
  if (IsTrue(res.res, 2) && version < kSchemaVersion) {
    kind_ = Kind::kOutdated;
    problem_ = "Der Layoutspeicher der Datenbank " + db +
               " stammt von einer älteren Version. Der Administrator bringt ihn auf den neuen "
               "Stand mit: " +
               SetupCommand(conn);
    return kind_;
  }
  if (!IsTrue(res.res, 2) || !IsTrue(res.res, 3) || std::atoi(PQgetvalue(res.res, 0, 4)) < 3) {
    kind_ = Kind::kNoRights;
    problem_ = "Der Anmeldename \"" + login_ + "\" darf den Layoutspeicher der Datenbank " + db +
               " nicht benutzen. Der Administrator gibt ihm das Recht mit: GRANT " +
               GrantName(userRole) + " TO " + GrantName(login_) + ";";
    return kind_;
  }
  kind_ = Kind::kReady;
  problem_.clear();
  return kind_;
}

void StoreState::Forget() {
  kind_ = Kind::kUnknown;
  problem_.clear();
  login_.clear();
  refusals_.clear();
}

std::string StoreState::Login() {
  if (login_.empty()) {
    session_.EnsureConnected();
    Check(session_.conn_);
  }
  return login_;
}

std::string StoreState::Problem() {
  session_.EnsureConnected();
  Check(session_.conn_);
  return problem_;
}

std::string StoreState::WriteRefusal(const std::string& owner) {
  const std::string problem = Problem();
  if (!problem.empty()) return problem;
  auto known = refusals_.find(owner);
  if (known != refusals_.end()) return known->second;
  const char* values[] = {owner.c_str()};
  ResultGuard res(PQexecParams(session_.conn_, "SELECT vmgrid_write_refusal($1)", 1, nullptr,
                               values, nullptr, nullptr, 0));
  if (PQresultStatus(res.res) != PGRES_TUPLES_OK) throw ResultError(session_.conn_, res.res, 0);
  const std::string refusal = PQgetisnull(res.res, 0, 0) ? "" : PQgetvalue(res.res, 0, 0);
  // Role memberships rarely change while a program runs; a new session asks again.
  refusals_.emplace(owner, refusal);
  return refusal;
}

StoreRules* Session::Store() { return &store_; }

std::string SetupStore(const std::string& connectionString, const StoreSetup& setup) {
  std::string error;
  const ServerConnection server = OpenServer(connectionString, error);
  if (!server) return error;
  PGconn* conn = server.get();
  ResultGuard schema(PQexec(conn, "SELECT current_schema()"));
  if (PQresultStatus(schema.res) != PGRES_TUPLES_OK || PQgetisnull(schema.res, 0, 0)) {
    return "Der Layoutspeicher kann nicht eingerichtet werden: für den Anmeldenamen ist kein "
           "Schema im Suchpfad angelegt.";
  }
  const std::string script =
      "BEGIN;\n" + StoreScript(PQgetvalue(schema.res, 0, 0), setup) + "\nCOMMIT;";
  ResultGuard res(PQexec(conn, script.c_str()));
  const ExecStatusType st = PQresultStatus(res.res);
  if (st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK) return std::string();
  const VMError cause = ResultError(conn, res.res, 0);
  PQclear(PQexec(conn, "ROLLBACK"));
  std::string text = "Der Layoutspeicher konnte in der Datenbank " + Describe(conn) +
                     " nicht eingerichtet werden: " + cause.Description();
  if (cause.Number() == errc::kOperationNotAllowed || cause.Number() == errc::kRejectedStatement) {
    text +=
        " Die Einrichtung braucht einen Anmeldenamen, der Rollen anlegen und im Schema "
        "Tabellen anlegen darf (etwa den Eigentümer der Datenbank mit CREATEROLE).";
  }
  return text;
}

}  // namespace vmbgrid::postgres
