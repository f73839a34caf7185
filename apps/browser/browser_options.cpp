#include "apps/browser/browser_options.h"

#include <cerrno>
#include <cstdlib>

#include "core/user_name.h"

namespace vmbgrid::browser {

const char* Usage() {
  return "Aufruf: vmbgrid-browser [--db DATEI] [--table TABELLE] [--user NAME]\n"
         "                        [--search SPALTE=KRITERIUM ...] [--sum SPALTE ...]\n"
         "                        [--max N]\n"
         "                        [--screenshot DATEI.png] [--export DATEI.txt]\n"
         "                        [--pdf DATEI.pdf] [--querformat]\n"
         "\n"
         "  --db          SQLite-Datenbank (Vorgabe examples/kunden.db) oder Server,\n"
         "                z. B. postgresql://anna@db01/kunden\n"
         "  --table       anzuzeigende Tabelle (Vorgabe Kunden)\n"
         "  --user        Benutzer für Layouts und Einstellungen (Vorgabe: Anmeldename)\n"
         "  --search      Suchkriterium in der Suchzeile, z. B. Name=Mei* oder PLZ=10000-19999\n"
         "  --sum         Summe der Zahlenspalte in der Summenzeile zeigen\n"
         "  --max         höchstens N Datensätze lesen (0 = alle)\n"
         "  --screenshot  Fenster nach dem Laden als PNG speichern und beenden\n"
         "  --export      Zeilen als Textdatei (Semikolon, UTF-8) speichern und beenden\n"
         "  --pdf         Tabelle als PDF-Datei drucken und beenden\n"
         "  --querformat  Drucken und PDF im Querformat\n";
}

std::string ParseOptions(const std::vector<std::string>& args, Options& o) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      o.help = true;
      continue;
    }
    if (a == "--querformat") {
      o.landscape = true;
      continue;
    }
    if (a != "--db" && a != "--table" && a != "--user" && a != "--search" && a != "--sum" &&
        a != "--max" && a != "--screenshot" && a != "--export" && a != "--pdf")
      return "Unbekannte Option: " + a;
    if (i + 1 >= args.size()) return "Zu " + a + " fehlt der Wert.";
    const std::string& v = args[++i];
    if (a == "--db") {
      if (v.empty()) return "--db erwartet einen Dateinamen.";
      o.db = v;
    } else if (a == "--table") {
      if (v.empty()) return "--table erwartet einen Tabellennamen.";
      o.table = v;
    } else if (a == "--user") {
      if (std::string problem = core::UserNameProblem(v); !problem.empty()) return problem;
      o.user = v;
    } else if (a == "--screenshot") {
      if (v.empty()) return "--screenshot erwartet einen Dateinamen.";
      o.screenshot = v;
    } else if (a == "--export" || a == "--pdf") {
      if (v.empty()) return a + " erwartet einen Dateinamen.";
      (a == "--export" ? o.exportFile : o.pdfFile) = v;
    } else if (a == "--sum") {
      if (v.empty()) return "--sum erwartet einen Spaltennamen.";
      o.sums.push_back(v);
    } else if (a == "--search") {
      const size_t eq = v.find('=');
      if (eq == std::string::npos || eq == 0)
        return "Suchkriterium muss die Form SPALTE=KRITERIUM haben: " + v;
      o.searches.emplace_back(v.substr(0, eq), v.substr(eq + 1));
    } else {  // --max
      char* end = nullptr;
      errno = 0;
      const long long n = std::strtoll(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || errno != 0 || n < 0 || n > 2147483647LL)
        return "--max erwartet eine Zahl von 0 bis 2147483647: " + v;
      o.max = static_cast<int32_t>(n);
    }
  }
  return {};
}

bool Unattended(const Options& o) {
  return !o.screenshot.empty() || !o.exportFile.empty() || !o.pdfFile.empty();
}

std::string DefaultUser() {
  for (const char* var : {"USER", "USERNAME", "LOGNAME"}) {
    const char* v = std::getenv(var);
    if (v && *v) return v;
  }
  return "Benutzer";
}

std::string RecordCountText(int64_t count, int64_t limit) {
  if (count <= 0) return "Keine Datensätze";
  // The statement asked for at most this many rows: there may be more.
  if (limit > 0 && count >= limit)
    return RecordCountText(count) + " – Höchstzahl erreicht, weitere möglich";
  if (count == 1) return "1 Datensatz";
  std::string digits = std::to_string(count);
  std::string grouped;
  const size_t n = digits.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) grouped += '.';
    grouped += digits[i];
  }
  return grouped + " Datensätze";
}

}  // namespace vmbgrid::browser
