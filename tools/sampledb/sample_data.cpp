// The sample customer database: names, streets and towns drawn from fixed German
// lists by a seeded generator, so that the same options always give the same file.
#include "tools/sampledb/sample_data.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "host/atomic_file.h"
#include "host/variant.h"

namespace vmbgrid::sampledb {

namespace {

// splitmix64: small, fast and the same on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. n-1
  size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }
  double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  bool Chance(double p) { return Unit() < p; }

 private:
  uint64_t state_;
};

const char* const kNamen[] = {
    "Müller",     "Schmidt",  "Schneider",   "Fischer",    "Weber",      "Meyer",      "Wagner",
    "Becker",     "Schulz",   "Hoffmann",    "Schäfer",    "Koch",       "Bauer",      "Richter",
    "Klein",      "Wolf",     "Schröder",    "Neumann",    "Schwarz",    "Zimmermann", "Braun",
    "Krüger",     "Hofmann",  "Hartmann",    "Lange",      "Schmitt",    "Werner",     "Schmitz",
    "Krause",     "Meier",    "Lehmann",     "Schmid",     "Schulze",    "Maier",      "Köhler",
    "Herrmann",   "König",    "Walter",      "Mayer",      "Huber",      "Kaiser",     "Fuchs",
    "Peters",     "Lang",     "Scholz",      "Möller",     "Weiß",       "Jung",       "Hahn",
    "Schubert",   "Vogel",    "Friedrich",   "Keller",     "Günther",    "Frank",      "Berger",
    "Winkler",    "Roth",     "Beck",        "Lorenz",     "Baumann",    "Franke",     "Albrecht",
    "Schuster",   "Simon",    "Ludwig",      "Böhm",       "Winter",     "Kraus",      "Martin",
    "Schumacher", "Krämer",   "Vogt",        "Stein",      "Jäger",      "Otto",       "Sommer",
    "Groß",       "Seidel",   "Heinrich",    "Brandt",     "Haas",       "Schreiber",  "Graf",
    "Dietrich",   "Ziegler",  "Kuhn",        "Kühn",       "Pohl",       "Engel",      "Horn",
    "Busch",      "Bergmann", "Voigt",       "Sauer",      "Arnold",     "Pfeiffer",   "Größe",
    "Ärger",      "Öztürk",   "Meißner",     "Meinhardt",  "Meister",    "Übelacker",  "Dreißig",
    "O'Brien",    "D'Angelo", "Straßburger", "Weißmüller", "Mühlenbeck", "Nußbaum",    "Lindström",
};

const char* const kVornamen[] = {
    "Anna",   "Jürgen", "Jörg",   "Björn",   "Sören",      "Käthe",    "Ömer",       "Hans-Peter",
    "Özlem",  "Günter", "Ursula", "Renée",   "Thomas",     "Michael",  "Andreas",    "Stefan",
    "Sabine", "Petra",  "Monika", "Claudia", "Susanne",    "Klaus",    "Wolfgang",   "Dieter",
    "Maria",  "Elke",   "Birgit", "Frank",   "Uwe",        "Bärbel",   "Jörn",       "Lea",
    "Lukas",  "Leonie", "Jonas",  "Sophie",  "Felix",      "Marie",    "Maximilian", "Hannah",
    "Paul",   "Emma",   "Niklas", "Mia",     "Tim",        "Lena",     "Jan",        "Laura",
    "Gisela", "Horst",  "Helmut", "Ingrid",  "Karl-Heinz", "Brigitte", "Heiko",      "Anke",
    "Dörte",  "Malte",  "Grete",  "Siân",    "Zoë",        "Seán",     "Ilse",       "Ute",
};

const char* const kStrassen[] = {
    "Hauptstraße",   "Bahnhofstraße", "Schillerstraße", "Goethestraße",    "Am Mühlbach",
    "Königsallee",   "Lindenweg",     "Gartenstraße",   "Dorfstraße",      "Bergstraße",
    "Kirchgasse",    "Schulstraße",   "Waldweg",        "Ringstraße",      "Friedhofstraße",
    "Am Sportplatz", "Rosenstraße",   "Birkenweg",      "Mozartstraße",    "Beethovenstraße",
    "Marktplatz",    "Wiesenstraße",  "Feldstraße",     "Brückenstraße",   "Uhlandstraße",
    "Lessingstraße", "Jahnstraße",    "Talstraße",      "Mühlenweg",       "Grüner Weg",
    "An der Weide",  "Fröbelstraße",  "Ährenfeld",      "Über dem Graben", "Schloßallee",
};

struct Town {
  const char* plz;
  const char* ort;
  const char* land;
};

const Town kOrte[] = {
    {"10115", "Berlin", "Berlin"},
    {"20095", "Hamburg", "Hamburg"},
    {"80331", "München", "Bayern"},
    {"50667", "Köln", "Nordrhein-Westfalen"},
    {"60311", "Frankfurt am Main", "Hessen"},
    {"70173", "Stuttgart", "Baden-Württemberg"},
    {"40213", "Düsseldorf", "Nordrhein-Westfalen"},
    {"44135", "Dortmund", "Nordrhein-Westfalen"},
    {"45127", "Essen", "Nordrhein-Westfalen"},
    {"04109", "Leipzig", "Sachsen"},
    {"28195", "Bremen", "Bremen"},
    {"01067", "Dresden", "Sachsen"},
    {"30159", "Hannover", "Niedersachsen"},
    {"90402", "Nürnberg", "Bayern"},
    {"47051", "Duisburg", "Nordrhein-Westfalen"},
    {"44787", "Bochum", "Nordrhein-Westfalen"},
    {"42103", "Wuppertal", "Nordrhein-Westfalen"},
    {"33602", "Bielefeld", "Nordrhein-Westfalen"},
    {"53111", "Bonn", "Nordrhein-Westfalen"},
    {"48143", "Münster", "Nordrhein-Westfalen"},
    {"76133", "Karlsruhe", "Baden-Württemberg"},
    {"68159", "Mannheim", "Baden-Württemberg"},
    {"86150", "Augsburg", "Bayern"},
    {"65183", "Wiesbaden", "Hessen"},
    {"41061", "Mönchengladbach", "Nordrhein-Westfalen"},
    {"38100", "Braunschweig", "Niedersachsen"},
    {"52062", "Aachen", "Nordrhein-Westfalen"},
    {"24103", "Kiel", "Schleswig-Holstein"},
    {"09111", "Chemnitz", "Sachsen"},
    {"06108", "Halle (Saale)", "Sachsen-Anhalt"},
    {"39104", "Magdeburg", "Sachsen-Anhalt"},
    {"79098", "Freiburg im Breisgau", "Baden-Württemberg"},
    {"23552", "Lübeck", "Schleswig-Holstein"},
    {"99084", "Erfurt", "Thüringen"},
    {"55116", "Mainz", "Rheinland-Pfalz"},
    {"18055", "Rostock", "Mecklenburg-Vorpommern"},
    {"34117", "Kassel", "Hessen"},
    {"66111", "Saarbrücken", "Saarland"},
    {"45468", "Mülheim an der Ruhr", "Nordrhein-Westfalen"},
    {"14467", "Potsdam", "Brandenburg"},
    {"26122", "Oldenburg", "Niedersachsen"},
    {"49074", "Osnabrück", "Niedersachsen"},
    {"97070", "Würzburg", "Bayern"},
    {"89073", "Ulm", "Baden-Württemberg"},
    {"91052", "Erlangen", "Bayern"},
    {"78462", "Konstanz", "Baden-Württemberg"},
    {"94032", "Passau", "Bayern"},
    {"37073", "Göttingen", "Niedersachsen"},
    {"07743", "Jena", "Thüringen"},
    {"17489", "Greifswald", "Mecklenburg-Vorpommern"},
};

struct StatusEntry {
  int code;
  const char* text;
};
const StatusEntry kStatus[] = {
    {1, "Interessent"}, {2, "Kunde"}, {3, "Stammkunde"}, {4, "Gesperrt"}};

const char* const kNotizen[] = {
    "Ruft gern nachmittags an.",
    "Zahlt per Lastschrift.",
    "Bevorzugt Kontakt per E-Mail; sagt \"Grüß Gott\".",
    "Lieferung nur über den Hintereingang.",
    "Großkunde – 5 % Rabatt vereinbart.",
    "Möchte keine Werbung erhalten.",
    "Rückfrage wegen Rechnung Nr. 4711 offen.",
    "Kunde seit der Messe in Köln; Ansprechpartner: Frau Müller-Lüdenscheidt.",
    "Mahnung am 01.02.2003 verschickt, Zahlung eingegangen.",
    "Hat O'Briens Empfehlung erhalten.",
    "Sonderwünsche: Verpackung ohne Plastik, Lieferung zwischen 8 und 10 Uhr, "
    "bitte vorher anrufen. Tor ist oft geschlossen, Schlüssel beim Nachbarn (Hausnr. 12).",
};

template <class T, size_t N>
constexpr size_t Count(const T (&)[N]) {
  return N;
}

class Database {
 public:
  ~Database() { Close(); }
  std::string Open(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
      return "Die Datei \"" + path + "\" kann nicht angelegt werden: " + sqlite3_errmsg(db_);
    }
    return std::string();
  }
  std::string Exec(const char* sql) {
    char* msg = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
      std::string text =
          std::string("Fehler beim Schreiben der Beispieldatenbank: ") + (msg ? msg : "unbekannt");
      sqlite3_free(msg);
      return text;
    }
    return std::string();
  }
  sqlite3* Handle() { return db_; }
  std::string Error() const {
    return std::string("Fehler beim Schreiben der Beispieldatenbank: ") + sqlite3_errmsg(db_);
  }
  void Close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
  }

 private:
  sqlite3* db_ = nullptr;
};

struct Statement {
  sqlite3_stmt* st = nullptr;
  ~Statement() { sqlite3_finalize(st); }
};

void BindText(sqlite3_stmt* st, int i, const std::string& s) {
  sqlite3_bind_text(st, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}
void BindText(sqlite3_stmt* st, int i, const char* s) {
  sqlite3_bind_text(st, i, s, -1, SQLITE_STATIC);
}

const char* const kSchema = R"sql(
CREATE TABLE Status (Code INTEGER PRIMARY KEY, Text VARCHAR(30) NOT NULL);
CREATE TABLE Orte (PLZ VARCHAR(5) PRIMARY KEY, Ort VARCHAR(40) NOT NULL, Bundesland VARCHAR(30));
CREATE TABLE Kunden (
  Nr INTEGER PRIMARY KEY,
  Name VARCHAR(50) NOT NULL,
  Vorname VARCHAR(50),
  Strasse VARCHAR(60),
  PLZ VARCHAR(5),
  Ort VARCHAR(40),
  Umsatz DOUBLE,
  Geburtstag DATE,
  Aktiv BOOLEAN,
  Status INTEGER REFERENCES Status(Code),
  Notiz LONGTEXT
);
)sql";

std::string Fill(Database& db, const Options& o) {
  std::string err;
  if (!(err = db.Exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN")).empty())
    return err;
  if (!(err = db.Exec(kSchema)).empty()) return err;

  {
    Statement s;
    sqlite3_prepare_v2(db.Handle(), "INSERT INTO Status VALUES (?1, ?2)", -1, &s.st, nullptr);
    for (const StatusEntry& e : kStatus) {
      sqlite3_bind_int(s.st, 1, e.code);
      BindText(s.st, 2, e.text);
      if (sqlite3_step(s.st) != SQLITE_DONE) return db.Error();
      sqlite3_reset(s.st);
    }
  }
  {
    Statement s;
    sqlite3_prepare_v2(db.Handle(), "INSERT INTO Orte VALUES (?1, ?2, ?3)", -1, &s.st, nullptr);
    for (const Town& t : kOrte) {
      BindText(s.st, 1, t.plz);
      BindText(s.st, 2, t.ort);
      BindText(s.st, 3, t.land);
      if (sqlite3_step(s.st) != SQLITE_DONE) return db.Error();
      sqlite3_reset(s.st);
    }
  }

  Random rnd(o.seed);
  Statement ins;
  if (sqlite3_prepare_v2(db.Handle(),
                         "INSERT INTO Kunden VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)",
                         -1, &ins.st, nullptr) != SQLITE_OK)
    return db.Error();
  // Birthdays between 1930-01-01 and 2005-12-31 (days since 1970-01-01).
  const int64_t firstDay = -14610, lastDay = 13148;
  char buf[32];
  for (int64_t nr = 1; nr <= o.rows; ++nr) {
    sqlite3_stmt* st = ins.st;
    sqlite3_bind_int64(st, 1, nr);
    BindText(st, 2, kNamen[rnd.Below(Count(kNamen))]);
    if (rnd.Chance(0.01)) {
      sqlite3_bind_null(st, 3);
    } else {
      BindText(st, 3, kVornamen[rnd.Below(Count(kVornamen))]);
    }
    std::snprintf(buf, sizeof buf, " %d", static_cast<int>(1 + rnd.Below(180)));
    BindText(st, 4, std::string(kStrassen[rnd.Below(Count(kStrassen))]) + buf);
    const Town& town = kOrte[rnd.Below(Count(kOrte))];
    BindText(st, 5, town.plz);
    BindText(st, 6, town.ort);
    if (rnd.Chance(0.02)) {
      sqlite3_bind_null(st, 7);
    } else {
      // Mostly small amounts, a few large customers; cents exact.
      const double u = rnd.Unit();
      sqlite3_bind_double(st, 7, std::round(std::exp(4.0 + 8.0 * u * u) * 100.0) / 100.0);
    }
    if (rnd.Chance(0.03)) {
      sqlite3_bind_null(st, 8);
    } else {
      // Days counted from 1970-01-01, which is day 25569 of the automation calendar.
      const int64_t day = firstDay + static_cast<int64_t>(rnd.Below(lastDay - firstDay + 1));
      const DateParts p = SplitDate(DateValue{static_cast<double>(day + 25569)});
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p.year, p.month, p.day);
      BindText(st, 8, std::string(buf));
    }
    const size_t statusPick = rnd.Below(100);
    const int status = statusPick < 20 ? 1 : statusPick < 70 ? 2 : statusPick < 95 ? 3 : 4;
    sqlite3_bind_int(st, 9, status == 4 ? 0 : (rnd.Chance(0.9) ? 1 : 0));
    sqlite3_bind_int(st, 10, status);
    if (rnd.Chance(0.6)) {
      sqlite3_bind_null(st, 11);
    } else {
      BindText(st, 11, kNotizen[rnd.Below(Count(kNotizen))]);
    }
    if (sqlite3_step(st) != SQLITE_DONE) return db.Error();
    sqlite3_reset(st);
  }
  if (!(err = db.Exec("CREATE INDEX Kunden_Name ON Kunden(Name);"
                      "CREATE INDEX Kunden_PLZ ON Kunden(PLZ);"
                      "COMMIT"))
           .empty())
    return err;
  return std::string();
}

}  // namespace

std::string Generate(const std::string& path, const Options& options) {
  namespace fs = std::filesystem;
  if (options.rows < 0) return "Die Zeilenzahl darf nicht negativ sein.";
  // Renaming over a folder, a device or a pipe would replace the node itself.
  if (std::string problem = ReplaceTargetProblem(path); !problem.empty()) return problem;
  std::error_code ec;
  const fs::path target(path);
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
  // Built beside the target and renamed into place, so an interrupted run never
  // leaves a half-written database under the real name.
  const std::string temp = path + ".tmp";
  fs::remove(temp, ec);
  std::string err;
  {
    Database db;
    err = db.Open(temp);
    if (err.empty()) err = Fill(db, options);
  }
  if (!err.empty()) {
    fs::remove(temp, ec);
    return err;
  }
  fs::rename(temp, target, ec);
  if (ec) {
    fs::remove(temp, ec);
    return "Die Datei \"" + path + "\" kann nicht ersetzt werden.";
  }
  return std::string();
}

}  // namespace vmbgrid::sampledb
