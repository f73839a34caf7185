// vmbgrid-sampledb: writes the sample customer database, and sets up the layout
// store of a server database.
//   vmbgrid-sampledb [--rows N] [--out path | --db server] [--seed S] [--replace]
//   vmbgrid-sampledb --setup --db server [--grant LOGIN ...] [--grant-admin LOGIN ...]
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "adapters/postgres/postgres_provider.h"
#include "tools/sampledb/sample_data.h"

namespace {

bool ParseCount(const char* text, long long max, long long& out) {
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < 0 || v > max) return false;
  out = v;
  return true;
}

int Usage(const char* why) {
  if (why) std::fprintf(stderr, "%s\n", why);
  std::fprintf(
      stderr,
      "Aufruf: vmbgrid-sampledb [--rows N] [--out Datei|--db Server] [--seed Zahl] [--replace]\n"
      "        vmbgrid-sampledb --setup --db Server [--grant ANMELDENAME ...]\n"
      "                         [--grant-admin ANMELDENAME ...]\n"
      "  --rows     Anzahl der Kunden (Vorgabe 10000)\n"
      "  --out      Zieldatei (Vorgabe examples/kunden.db)\n"
      "  --db       statt der Datei ein PostgreSQL-Server: postgresql://anna@db01/kunden,\n"
      "             \"host=/run/postgresql dbname=kunden\" oder \"Provider=PostgreSQL;...\"\n"
      "  --seed     Startwert des Zufallsgenerators (gleicher Wert, gleiche Daten)\n"
      "  --replace  vorhandene Datei oder Tabellen Kunden, Orte, Status ersetzen\n"
      "  --setup    den Layoutspeicher der Datenbank einrichten (Tabellen, Prozeduren,\n"
      "             Rollen vmgrid_benutzer und vmgrid_admin); als Administrator aufrufen\n"
      "  --grant    Anmeldename, der die Rolle vmgrid_benutzer bekommt\n"
      "  --grant-admin  Anmeldename, der die Rolle vmgrid_admin bekommt\n");
  return why ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  vmbgrid::sampledb::Options options;
  options.replace = false;  // a user's tables are never replaced without being asked
  std::string out = "examples/kunden.db";
  bool setup = false;
  vmbgrid::postgres::StoreSetup store;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") return Usage(nullptr);
    if (arg == "--replace") {
      options.replace = true;
      continue;
    }
    if (arg == "--setup") {
      setup = true;
      continue;
    }
    if (i + 1 >= argc) return Usage(("Zu \"" + arg + "\" fehlt der Wert.").c_str());
    const char* value = argv[++i];
    long long n = 0;
    if (arg == "--rows") {
      if (!ParseCount(value, 100000000LL, n)) {
        return Usage("--rows erwartet eine Zahl von 0 bis 100000000.");
      }
      options.rows = n;
    } else if (arg == "--seed") {
      if (!ParseCount(value, 0x7FFFFFFFFFFFFFFFLL, n)) return Usage("--seed erwartet eine Zahl.");
      options.seed = static_cast<uint64_t>(n);
    } else if (arg == "--out" || arg == "--db") {
      out = value;
    } else if (arg == "--grant" || arg == "--grant-admin") {
      if (!*value) return Usage((arg + " erwartet einen Anmeldenamen.").c_str());
      (arg == "--grant" ? store.users : store.admins).push_back(value);
    } else {
      return Usage(("Unbekannte Angabe \"" + arg + "\".").c_str());
    }
  }
  // A server is named by its connection string or URI; any such text is never taken
  // for a file name.
  const std::string connection = vmbgrid::postgres::ConnectionStringFor(out);
  const std::string shown = vmbgrid::postgres::WithoutPassword(out);
  if (setup) {
    if (connection.empty()) {
      std::printf(
          "\"%s\" ist eine Datenbankdatei: dort legt das erste Speichern eines Layouts "
          "die Tabellen an, eine Einrichtung ist nicht nötig.\n",
          shown.c_str());
      return 0;
    }
    const std::string err = vmbgrid::postgres::SetupStore(connection, store);
    if (!err.empty()) {
      std::fprintf(stderr, "%s\n", err.c_str());
      return 1;
    }
    std::printf("Layoutspeicher in \"%s\" eingerichtet (Rollen %s und %s).\n", shown.c_str(),
                store.userRole.c_str(), store.adminRole.c_str());
    return 0;
  }
  if (!store.users.empty() || !store.admins.empty())
    return Usage("--grant und --grant-admin gehören zu --setup.");
  const auto start = std::chrono::steady_clock::now();
  std::string err;
  if (!connection.empty()) {
    err = vmbgrid::sampledb::GenerateOnServer(connection, options);
  } else {
    std::error_code ec;
    // A folder or a device is refused by the generator itself, with its own reason.
    if (!options.replace && std::filesystem::is_regular_file(out, ec)) {
      err = "Die Datei \"" + out +
            "\" gibt es schon; sie wird nur mit --replace ersetzt (alle Tabellen darin gehen "
            "dabei verloren).";
    } else {
      err = vmbgrid::sampledb::Generate(out, options);
    }
  }
  if (!err.empty()) {
    std::fprintf(stderr, "%s\n", err.c_str());
    return 1;
  }
  const double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%lld Kunden nach \"%s\" geschrieben (%.1f s).\n",
              static_cast<long long>(options.rows), shown.c_str(), secs);
  return 0;
}
