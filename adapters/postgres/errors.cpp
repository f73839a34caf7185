// Server and connection failures to the data-access layer's error numbers, with
// German texts. The server's own detail is appended; passwords never appear.
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "adapters/postgres/internal.h"
#include "host/sql_text.h"

namespace vmbgrid::postgres {

namespace {

std::string Trimmed(const char* text) {
  std::string s = text ? text : "";
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

bool Contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

std::string SecondsText(int n) { return std::to_string(n) + (n == 1 ? " Sekunde" : " Sekunden"); }

VMError Lost(PGconn* conn, const std::string& detail) {
  return VMError(errc::kProviderFailure, kSource,
                 "Die Verbindung zum Datenbankserver " + Describe(conn) +
                     " wurde unterbrochen; die Anweisung wurde nicht ausgeführt. Bitte versuchen "
                     "Sie es noch einmal" +
                     (detail.empty() ? std::string(".") : " (" + detail + ")."));
}

// The name the server quotes in "relation "X" does not exist" (or, in a German
// server's words, »X«): from the first opening to the last closing mark, so that a
// name holding quotes comes back whole. Empty when the text quotes nothing.
std::string QuotedName(const std::string& text) {
  for (const auto& [opening, closing] :
       {std::pair<std::string_view, std::string_view>{"\"", "\""}, {"»", "«"}}) {
    const size_t from = text.find(opening);
    const size_t to = text.rfind(closing);
    if (from != std::string::npos && to != std::string::npos && to >= from + opening.size())
      return text.substr(from + opening.size(), to - from - opening.size());
  }
  return std::string();
}

// Set by WaitForResult when the host cancelled; the next "canceled" is the user's.
thread_local bool t_cancelledByUser = false;

}  // namespace

void MarkCancelledByUser(bool cancelled) { t_cancelledByUser = cancelled; }

std::string Describe(PGconn* conn) {
  if (!conn) return "\"?\"";
  const char* host = PQhost(conn);
  const char* port = PQport(conn);
  const char* db = PQdb(conn);
  std::string h = host && *host ? host : "localhost";
  return "\"" + h + ":" + (port && *port ? port : "5432") + "/" + (db ? db : "") + "\"";
}

VMError ConnectError(PGconn* conn, const std::string& where) {
  const std::string detail = Trimmed(conn ? PQerrorMessage(conn) : "");
  if (Contains(detail, "password authentication failed") ||
      Contains(detail, "no password supplied") || Contains(detail, "Passwort-Authentifizierung")) {
    return VMError(errc::kProviderFailure, kSource,
                   "Die Anmeldung am Datenbankserver " + where +
                       " ist fehlgeschlagen: Benutzername oder Kennwort ist falsch.");
  }
  if (Contains(detail, "does not exist") && Contains(detail, "database")) {
    return VMError(errc::kProviderFailure, kSource,
                   "Die Datenbank " + where + " gibt es auf dem Server nicht.");
  }
  if (Contains(detail, "Connection refused") || Contains(detail, "No such file or directory") ||
      Contains(detail, "could not translate host name") || Contains(detail, "timeout expired") ||
      Contains(detail, "Network is unreachable") || Contains(detail, "the database system is")) {
    return VMError(errc::kProviderFailure, kSource,
                   "Der Datenbankserver " + where + " ist nicht erreichbar (" + detail +
                       "). Läuft der Server, und stimmen Rechner und Port?");
  }
  return VMError(errc::kProviderFailure, kSource,
                 "Die Verbindung zum Datenbankserver " + where +
                     " konnte nicht hergestellt werden: " + detail);
}

VMError ResultError(PGconn* conn, const PGresult* res, int timeoutSeconds, int lockSeconds) {
  const char* state = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
  const std::string primary =
      Trimmed(res ? PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY) : nullptr);
  const std::string detail = primary.empty() ? Trimmed(PQerrorMessage(conn)) : primary;
  if (!state || !*state) {
    // The server gives every error of its own a code: without one the client lost
    // the connection (closed, reset, protocol broken).
    return Lost(conn, detail);
  }
  const std::string code = state;
  const std::string cls = code.substr(0, 2);
  // The layout functions raise their own German texts with these codes.
  if (code == "VG001") return VMError(errc::kInvalidArgument, kSource, primary);
  if (code == "VG002") return VMError(errc::kRejectedStatement, kSource, primary);
  if (code == "VG003" || code == "VG004")
    return VMError(errc::kIntegrityViolation, kSource, primary);
  if (code == "VG005") return VMError(errc::kOperationNotAllowed, kSource, primary);
  // A login without rights meets 42501 on reading as well as on writing.
  if (code == "42501") {
    return VMError(errc::kOperationNotAllowed, kSource,
                   "Der Datenbankserver hat den Zugriff nicht erlaubt: " + detail);
  }
  if (code == "25006") {
    return VMError(errc::kOperationNotAllowed, kSource,
                   "Der Datenbankserver hat die Änderung nicht erlaubt: " + detail);
  }
  if (code == "42883" && Contains(detail, "aa_grid")) {
    return VMError(errc::kRejectedStatement, kSource,
                   "Die Layout-Prozeduren der Datenbank sind veraltet oder fehlen: " + detail);
  }
  // Unknown tables and columns are named, as every provider names them.
  if (code == "42P01" || code == "42703") {
    const std::string name = QuotedName(primary);
    if (!name.empty()) {
      return code == "42P01" ? VMError(errc::kNoSuchTable, kSource, sql::NoSuchTableText(name))
                             : VMError(errc::kNoSuchColumn, kSource, sql::NoSuchColumnText(name));
    }
  }
  // Expression nesting beyond the server's stack, a statement beyond its limits.
  if (code == "54001" || code == "54011" || code == "54023")
    return VMError(errc::kStatementTooComplex, kSource, sql::kTooComplexText);
  if (cls == "42" || code == "0A000" || cls == "21" || cls == "2F" || cls == "P0") {
    return VMError(errc::kRejectedStatement, kSource,
                   "Die Anweisung wurde von der Datenbank abgelehnt: " + sql::Excerpt(detail));
  }
  if (cls == "23") {
    return VMError(errc::kIntegrityViolation, kSource,
                   "Die Änderung verletzt eine Regel der Datenbank: " + detail);
  }
  if (code == "22001" || code == "22003" || code == "54000") {
    return VMError(errc::kFieldValueDoesNotFit, kSource,
                   "Ein Wert ist zu groß für die Datenbank: " + detail);
  }
  if (cls == "22") {
    return VMError(errc::kCantConvertValue, kSource,
                   "Ein Wert passt nicht zum Datentyp der Datenbank: " + detail);
  }
  if (code == "55P03" && lockSeconds > 0) {
    return VMError(errc::kDatabaseLocked, kSource,
                   "Die Daten sind von einer anderen Verbindung gesperrt; nach " +
                       SecondsText(lockSeconds) +
                       " Warten wurde abgebrochen. Bitte versuchen Sie es später noch einmal.");
  }
  if (cls == "40" || code == "55P03") {
    return VMError(errc::kDatabaseLocked, kSource,
                   "Die Daten sind gerade von einer anderen Verbindung gesperrt. Bitte versuchen "
                   "Sie es später noch einmal (" +
                       detail + ").");
  }
  const bool byUser = std::exchange(t_cancelledByUser, false);
  if (code == "57014") {
    if (byUser) {
      return VMError(errc::kProviderFailure, kSource, "Die Abfrage wurde abgebrochen (Esc).");
    }
    if (timeoutSeconds > 0) {
      return VMError(errc::kQueryTimeout, kSource,
                     "Die Abfrage wurde nach " + std::to_string(timeoutSeconds) +
                         " Sekunden abgebrochen (Zeitlimit überschritten).");
    }
    return VMError(errc::kProviderFailure, kSource,
                   "Die Abfrage wurde vom Datenbankserver abgebrochen.");
  }
  if (cls == "08" || cls == "57") return Lost(conn, detail);
  if (cls == "28") {
    return VMError(errc::kProviderFailure, kSource,
                   "Die Anmeldung am Datenbankserver ist fehlgeschlagen: " + detail);
  }
  if (cls == "53") {
    return VMError(errc::kProviderFailure, kSource,
                   "Dem Datenbankserver fehlen Mittel (Speicher oder Plattenplatz): " + detail);
  }
  return VMError(errc::kProviderFailure, kSource, "Datenbankfehler: " + detail);
}

}  // namespace vmbgrid::postgres
