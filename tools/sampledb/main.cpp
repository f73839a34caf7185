// vmbgrid-sampledb: writes the sample customer database.
//   vmbgrid-sampledb [--rows N] [--out path] [--seed S]
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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
      "Aufruf: vmbgrid-sampledb [--rows N] [--out Datei|--db postgresql://...] [--seed Zahl]\n"
      "  --rows  Anzahl der Kunden (Vorgabe 10000)\n"
      "  --out   Zieldatei (Vorgabe examples/kunden.db)\n"
      "  --db    statt der Datei ein PostgreSQL-Server, z. B. postgresql://anna@db01/kunden\n"
      "  --seed  Startwert des Zufallsgenerators (gleicher Wert, gleiche Daten)\n");
  return why ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  vmbgrid::sampledb::Options options;
  std::string out = "examples/kunden.db";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") return Usage(nullptr);
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
    } else {
      return Usage(("Unbekannte Angabe \"" + arg + "\".").c_str());
    }
  }
  const auto start = std::chrono::steady_clock::now();
  const bool server = vmbgrid::postgres::IsServerConnectionString(out);
  const std::string err = server ? vmbgrid::sampledb::GenerateOnServer(out, options)
                                 : vmbgrid::sampledb::Generate(out, options);
  if (!err.empty()) {
    std::fprintf(stderr, "%s\n", err.c_str());
    return 1;
  }
  const double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%lld Kunden nach \"%s\" geschrieben (%.1f s).\n",
              static_cast<long long>(options.rows), vmbgrid::postgres::WithoutPassword(out).c_str(),
              secs);
  return 0;
}
