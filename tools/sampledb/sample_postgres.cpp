// The sample database on a PostgreSQL server: the same rows as the SQLite file
// (generated into a temporary file first), copied over in one transaction, so that
// an interrupted run leaves the server's old tables as they were.
#include <libpq-fe.h>
#include <sqlite3.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "adapters/postgres/internal.h"
#include "host/error.h"
#include "tools/sampledb/sample_data.h"

namespace vmbgrid::sampledb {

namespace {

// Quoted names keep their case, as the library writes them ("[Kunden]" -> "Kunden").
const char* const kServerSchema = R"sql(
DROP TABLE IF EXISTS "Kunden", "Orte", "Status";
CREATE TABLE "Status" ("Code" integer PRIMARY KEY, "Text" varchar(30) NOT NULL);
CREATE TABLE "Orte" ("PLZ" varchar(5) PRIMARY KEY, "Ort" varchar(40) NOT NULL, "Bundesland" varchar(30));
CREATE TABLE "Kunden" (
  "Nr" integer PRIMARY KEY,
  "Name" varchar(50) NOT NULL,
  "Vorname" varchar(50),
  "Strasse" varchar(60),
  "PLZ" varchar(5),
  "Ort" varchar(40),
  "Umsatz" double precision,
  "Geburtstag" date,
  "Aktiv" boolean,
  "Status" integer REFERENCES "Status" ("Code"),
  "Notiz" text
);
)sql";

std::string ServerError(PGconn* c) {
  return "Fehler beim Schreiben der Beispieldatenbank auf dem Server: " +
         std::string(PQerrorMessage(c));
}

bool Exec(PGconn* c, const char* sql, std::string& err) {
  PGresult* r = PQexec(c, sql);
  const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
  if (!ok) err = ServerError(c);
  PQclear(r);
  return ok;
}

// One table from the SQLite file into the server through COPY (text format).
bool CopyTable(sqlite3* db, PGconn* c, const char* table, const std::vector<bool>& booleans,
               std::string& err) {
  const std::string copy = std::string("COPY \"") + table + "\" FROM STDIN";
  PGresult* r = PQexec(c, copy.c_str());
  const bool started = PQresultStatus(r) == PGRES_COPY_IN;
  PQclear(r);
  if (!started) {
    err = ServerError(c);
    return false;
  }
  sqlite3_stmt* st = nullptr;
  const std::string select = std::string("SELECT * FROM ") + table;
  sqlite3_prepare_v2(db, select.c_str(), -1, &st, nullptr);
  std::string buffer;
  while (st && sqlite3_step(st) == SQLITE_ROW) {
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
      if (i) buffer += '\t';
      if (sqlite3_column_type(st, i) == SQLITE_NULL) {
        buffer += "\\N";
        continue;
      }
      if (static_cast<size_t>(i) < booleans.size() && booleans[i]) {
        buffer += sqlite3_column_int(st, i) ? 't' : 'f';
        continue;
      }
      const char* v = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
      for (; v && *v; ++v) {
        switch (*v) {
          case '\\':
            buffer += "\\\\";
            break;
          case '\t':
            buffer += "\\t";
            break;
          case '\n':
            buffer += "\\n";
            break;
          case '\r':
            buffer += "\\r";
            break;
          default:
            buffer += *v;
        }
      }
    }
    buffer += '\n';
    if (buffer.size() > (1 << 20)) {
      if (PQputCopyData(c, buffer.data(), static_cast<int>(buffer.size())) != 1) break;
      buffer.clear();
    }
  }
  sqlite3_finalize(st);
  if (PQputCopyData(c, buffer.data(), static_cast<int>(buffer.size())) != 1 ||
      PQputCopyEnd(c, nullptr) != 1) {
    err = ServerError(c);
    return false;
  }
  bool ok = true;
  while ((r = PQgetResult(c)) != nullptr) {
    if (PQresultStatus(r) != PGRES_COMMAND_OK) ok = false;
    PQclear(r);
  }
  if (!ok) err = ServerError(c);
  return ok;
}

}  // namespace

std::string GenerateOnServer(const std::string& connection, const Options& options) {
  namespace fs = std::filesystem;
  try {
    const auto props = data::ConnectionProperties::Parse(connection);
    std::string provider = props.Get("Provider");
    for (char& c : provider) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (provider != "postgresql" && provider != "postgres" && provider != "pgsql") {
      return "Die Beispieldatenbank geht in eine Datei (--out) oder auf einen PostgreSQL-Server; "
             "der Verbindungstext nennt keinen PostgreSQL-Server.";
    }
  } catch (const VMError& e) {
    return e.Description();
  }
  std::string err;
  const postgres::ServerConnection server = postgres::OpenServer(connection, err);
  if (!server) return err;
  PGconn* c = server.get();
  if (!options.replace) {
    // The user's own tables of these names are left alone unless asked.
    PGresult* r = PQexec(c,
                         "SELECT string_agg(t, ', ' ORDER BY t) FROM unnest(ARRAY['Kunden', "
                         "'Orte', 'Status']) t WHERE pg_catalog.to_regclass(quote_ident(t)) IS "
                         "NOT NULL");
    const std::string existing =
        PQresultStatus(r) == PGRES_TUPLES_OK && !PQgetisnull(r, 0, 0) ? PQgetvalue(r, 0, 0) : "";
    const bool ok = PQresultStatus(r) == PGRES_TUPLES_OK;
    PQclear(r);
    if (!ok) return ServerError(c);
    if (!existing.empty()) {
      return "In der Datenbank gibt es schon: " + existing +
             ". Diese Tabellen werden nur mit --replace ersetzt (ihre Zeilen gehen dabei "
             "verloren).";
    }
  }
  // The rows are made first in a file of their own: the same rows as the file sample.
  const fs::path temp =
      fs::temp_directory_path() / ("vmbgrid_sample_" + std::to_string(::getpid()) + ".db");
  err = Generate(temp.string(), options);
  if (!err.empty()) return err;
  struct Remove {
    fs::path p;
    ~Remove() {
      std::error_code ec;
      fs::remove(p, ec);
    }
  } removeTemp{temp};
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return "Die erzeugte Beispieldatenbank kann nicht gelesen werden.";
  }
  struct Close {
    sqlite3* db;
    ~Close() { sqlite3_close(db); }
  } closeDb{db};
  if (!Exec(c, "BEGIN", err) || !Exec(c, kServerSchema, err) ||
      !CopyTable(db, c, "Status", {}, err) || !CopyTable(db, c, "Orte", {}, err) ||
      !CopyTable(db, c, "Kunden",
                 {false, false, false, false, false, false, false, false, true, false, false},
                 err) ||
      !Exec(c,
            "CREATE INDEX \"Kunden_Name\" ON \"Kunden\" (\"Name\"); "
            "CREATE INDEX \"Kunden_PLZ\" ON \"Kunden\" (\"PLZ\"); COMMIT; ANALYZE \"Kunden\"",
            err)) {
    PQclear(PQexec(c, "ROLLBACK"));
    return err;
  }
  return std::string();
}

}  // namespace vmbgrid::sampledb
