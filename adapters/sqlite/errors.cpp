// SQLite result codes to the data-access layer's error numbers and German texts.
#include <string>
#include <string_view>

#include "adapters/sqlite/internal.h"
#include "host/error.h"
#include "host/sql_text.h"

namespace vmbgrid::sqlite {

namespace {

constexpr std::string_view kNoTable = "no such table: ";
constexpr std::string_view kNoColumn = "no such column: ";
// The engine's words for a statement beyond its limits.
constexpr std::string_view kLimits[] = {
    "Expression tree is too large", "pattern too complex",    "too many terms",
    "parser stack overflow",        "too many SQL variables", "too many columns"};

VMError TooComplex() { return VMError(errc::kStatementTooComplex, kSource, sql::kTooComplexText); }

VMError EngineError(sqlite3* db, int rc, const std::string& path, int timeoutSeconds) {
  const std::string detail = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  const std::string quoted = "\"" + path + "\"";
  switch (rc & 0xff) {
    case SQLITE_ERROR: {
      // Unknown tables and columns are named, limits of the engine said in German;
      // other syntax errors and refused sorts keep the engine's own words.
      if (detail.starts_with(kNoTable)) {
        return VMError(errc::kNoSuchTable, kSource,
                       sql::NoSuchTableText(detail.substr(kNoTable.size())));
      }
      if (detail.starts_with(kNoColumn)) {
        return VMError(errc::kNoSuchColumn, kSource,
                       sql::NoSuchColumnText(detail.substr(kNoColumn.size())));
      }
      for (std::string_view limit : kLimits) {
        if (detail.find(limit) != std::string::npos) return TooComplex();
      }
      return VMError(errc::kRejectedStatement, kSource,
                     "Die Anweisung wurde von der Datenbank abgelehnt: " + sql::Excerpt(detail));
    }
    case SQLITE_CONSTRAINT:
      return VMError(errc::kIntegrityViolation, kSource,
                     "Die Änderung verletzt eine Regel der Datenbank: " + detail);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return VMError(errc::kDatabaseLocked, kSource,
                     "Die Datenbank " + quoted +
                         " ist gesperrt, weil ein anderes Programm oder eine andere Verbindung "
                         "sie gerade verwendet. Bitte versuchen Sie es später noch einmal.");
    case SQLITE_READONLY:
      return VMError(errc::kOperationNotAllowed, kSource,
                     "Die Datenbank " + quoted +
                         " ist schreibgeschützt; die Änderung wurde nicht gespeichert.");
    case SQLITE_INTERRUPT:
      if (timeoutSeconds > 0) {
        return VMError(errc::kQueryTimeout, kSource,
                       "Die Abfrage wurde nach " + std::to_string(timeoutSeconds) +
                           " Sekunden abgebrochen (Zeitlimit überschritten).");
      }
      return VMError(errc::kProviderFailure, kSource, "Die Abfrage wurde abgebrochen.");
    case SQLITE_MISMATCH:
    case SQLITE_RANGE:
      return VMError(errc::kCantConvertValue, kSource,
                     "Ein Wert passt nicht zum Datentyp der Datenbank: " + detail);
    case SQLITE_TOOBIG:
      if (detail.find("statement too long") != std::string::npos) return TooComplex();
      return VMError(errc::kFieldValueDoesNotFit, kSource,
                     "Ein Wert ist zu groß für die Datenbank: " + detail);
    case SQLITE_NOMEM:
      return VMError(errc::kOutOfMemory, kSource,
                     "Nicht genug Arbeitsspeicher für die Datenbankabfrage.");
    case SQLITE_FULL:
      return VMError(errc::kProviderFailure, kSource,
                     "Der Datenträger der Datenbank " + quoted +
                         " ist voll; die Änderung wurde nicht gespeichert.");
    case SQLITE_CANTOPEN:
      return VMError(errc::kProviderFailure, kSource,
                     "Die Datenbank " + quoted + " kann nicht geöffnet werden: " + detail);
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      return VMError(
          errc::kProviderFailure, kSource,
          "Die Datei " + quoted + " ist keine gültige SQLite-Datenbank oder beschädigt.");
    case SQLITE_IOERR:
      return VMError(errc::kProviderFailure, kSource,
                     "Lese- oder Schreibfehler bei der Datenbank " + quoted + ": " + detail);
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return VMError(errc::kOperationNotAllowed, kSource,
                     "Der Zugriff auf die Datenbank " + quoted + " wurde verweigert.");
    default:
      return VMError(errc::kProviderFailure, kSource, "Datenbankfehler: " + detail);
  }
}

}  // namespace

void RaiseEngineError(sqlite3* db, int rc, const std::string& path, int timeoutSeconds) {
  throw EngineError(db, rc, path, timeoutSeconds);
}

}  // namespace vmbgrid::sqlite
