// The hosts as a script uses them: every error or refusal ends with a non-zero
// status, output is the whole result or nothing, and what a cell holds is shown,
// not obeyed. Each host runs as its own process on a generated database.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "tests/postgres/pg_test_support.h"
#include "tests/support/child_process.h"
#include "tools/sampledb/sample_data.h"

namespace vmbgrid::hosttest {
namespace {

namespace fs = std::filesystem;
using vmbgrid::testing::ChildProcess;
using vmbgrid::testing::Ended;
using vmbgrid::testing::RunHost;

struct Case {
  std::vector<std::string> args;
  int status;
  std::string expect;       // in the output
  std::string absent = "";  // never in the output
};

// The lines of a file written with "\r\n" line ends.
size_t LinesOf(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  size_t n = 0;
  for (char c = 0, prev = 0; in.get(c); prev = c) n += prev == '\r' && c == '\n' ? 1 : 0;
  return n;
}

void Sql(const std::string& db, const std::string& statement) {
  sqlite3* h = nullptr;
  ASSERT_EQ(sqlite3_open(db.c_str(), &h), SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(h, statement.c_str(), nullptr, nullptr, &error), SQLITE_OK)
      << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(h);
}

class Hosts : public ::testing::Test {
 protected:
  static constexpr int kRows = 200000;

  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("vmbgrid_hosts_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    db_ = (dir_ / "kunden.db").string();
    ASSERT_EQ(sampledb::Generate(db_, {.rows = kRows, .seed = 7}), "");
    // A name that would clear a terminal, a view whose rows fail half way, and one
    // whose rows take their time, so that a load runs over many turns of the loop.
    Sql(db_,
        "UPDATE Kunden SET Name = 'Böse' || char(27) || '[2J' || char(7) WHERE Nr = 1;"
        "CREATE VIEW Kaputt AS SELECT Nr, Name, CASE WHEN Nr > 150000 THEN json('kaputt') "
        "ELSE 1 END AS Wert FROM Kunden;"
        "CREATE VIEW Langsam AS SELECT Nr, Name, (SELECT count(*) FROM Orte o "
        "WHERE o.Ort <= k.Ort) AS Rang FROM Kunden k");
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  static std::vector<std::string> Cli(std::vector<std::string> args) {
    std::vector<std::string> all{"--db", db_, "--table", "Kunden", "--field", "Name", "--max", "3"};
    all.insert(all.end(), args.begin(), args.end());
    return all;
  }

  static void Check(const std::string& program, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      std::string line;
      for (const auto& a : c.args) line += " " + a;
      SCOPED_TRACE(line);
      const Ended e = RunHost(program, c.args);
      EXPECT_EQ(e.status, c.status) << e.output;
      EXPECT_NE(e.output.find(c.expect), std::string::npos) << e.output;
      EXPECT_TRUE(c.absent.empty() || e.output.find(c.absent) == std::string::npos) << e.output;
    }
  }

  static fs::path dir_;
  static std::string db_;
};

fs::path Hosts::dir_;
std::string Hosts::db_;

TEST_F(Hosts, CommandLineHostExitsNonZeroOnEveryErrorOrRefusal) {
  const std::string device = (dir_ / "geraet.txt").string();
  const bool haveDevice = ::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  // A saved parameter query to answer; a saved query whose question kind no input
  // can be built for (the search line refuses such a kind, a stored record can hold
  // one); a filter and a layout whose names hold "/", saved by one user; a layout
  // whose columns are all hidden, as a hand-made record could be.
  // clang-format off
  for (const std::vector<std::string>& save : std::vector<std::vector<std::string>>{
           {"--field", "Nr", "--user", "cli", "--search", "Name==1:Text", "--search", "Nr==2:ZahlVonBis", "--save-query", "Frage"},
           {"--field", "Nr", "--user", "cli", "--search", "Name==1:Text", "--save-query", "Kaputt"},
           {"--user", "schraeg", "--search", "Name=M*", "--save-query", "Kunden/Köln"},
           {"--field", "Ort", "--user", "schraeg", "--hide", "Ort", "--save-layout", "Ohne/Ort"},
           {"--field", "Ort", "--user", "versteckt", "--save-layout", "Nichts"}})
    // clang-format on
    ASSERT_EQ(RunHost(VMBGRID_CLI, Cli(save)).status, 0) << save.back();
  Sql(db_,
      "UPDATE vmgrid_settings SET wert = 'Name~=1:Unbekannt!' WHERE schluessel = 'Kaputt';"
      "INSERT INTO vmgrid_settings SELECT section, 'Nul', owner, 'Name~M' || char(0) || "
      "'x*!' FROM vmgrid_settings WHERE schluessel = 'Kaputt'; UPDATE aa_gridlayout_feld SET "
      "visible = 0");
  // clang-format off
  std::vector<Case> cases = {
      {Cli({}), 0, "3 Datensätze"},
      {Cli({"--field", "Ort", "--user", "versteckt", "--layout", "Nichts"}), 0, "3 Datensätze"},
      // The shared layout is ADMIN's: another user is refused, also while none exists.
      {Cli({"--user", "cli", "--save-layout", "Standard"}), 1, "nur der Benutzer ADMIN"},
      {Cli({"--user", "Admin", "--save-layout", "Standard"}), 0, "3 Datensätze", "Meldung"},
      // The layout of the last run hides Ort already; --hide keeps it hidden.
      {Cli({"--field", "Ort", "--user", "schraeg", "--hide", "Ort"}), 0, "3 Datensätze", "  Ort\n"},
      {Cli({"--user", "schraeg", "--query", "Kunden/Köln"}), 0, "LIKE 'M%'"},
      {Cli({"--field", "Ort", "--user", "schraeg", "--layout", "Ohne/Ort"}), 0, "3 Datensätze", "  Ort\n"},
      {{"--help"}, 0, "Aufruf: vmbgrid"},
      {Cli({"--gibtsnicht"}), 2, "Unbekannte Option: --gibtsnicht"},
      {{"--table", "Kunden"}, 2, "--db und --table sind anzugeben."},
      {Cli({"--max", "viele"}), 2, "--max erwartet eine Zahl ab 0"},
      {{"--db", (dir_ / "fehlt.db").string(), "--table", "Kunden"}, 1, "Verbindung mit Datenbank"},
      {Cli({"--table", "Gibtsnicht"}), 1, "Gibtsnicht"},
      {Cli({"--field", "Gibtsnicht"}), 1, "Die Spalte \"Gibtsnicht\" gibt es in der Tabelle nicht."},
      {Cli({"--search", "Nr=1 OR 1=1"}), 1, "Meldung: Fehler in Filter: "},
      {Cli({"--sort", "Gibtsnicht"}), 1, "Meldung: "},
      {Cli({"--user", "cli", "--layout", "Gibtsnicht"}), 1, "\"Gibtsnicht\" gibt es nicht."},
      {Cli({"--user", "cli", "--query", "Gibtsnicht"}), 1, "\"Gibtsnicht\" gibt es nicht."},
      {Cli({"--user", "cli", "--hide", "Gibtsnicht"}), 1, "\"Gibtsnicht\" gibt es nicht."},
      {Cli({"--user", "cli", "--hide", "Name"}), 1, "bleibt sichtbar"},
      {Cli({"--user", "cli", "--search", "Name=a!b", "--save-query", "Ausruf"}), 1, "„!“"},
      {Cli({"--export", (dir_ / "fehlt" / "x.txt").string()}), 1, "Den Ordner gibt es nicht."},
      {Cli({"--field", "Nr", "--user", "cli", "--query", "Frage"}), 1, "--param N=WERT"},
      {Cli({"--field", "Nr", "--user", "cli", "--query", "Frage", "--param", "3=x"}), 1, "keine Frage 3"},
      // A plain text question takes the answer whole: only a from-to question splits it.
      {Cli({"--field", "Nr", "--user", "cli", "--query", "Frage", "--param", "1=Meier-Schulz", "--param", "2=1-100"}),
       0, "'Schulz'"},
      {Cli({"--field", "Nr", "--user", "cli", "--query", "Kaputt", "--param", "1=x"}), 1,
       "Die Frage 1 des Filters kann nicht gestellt werden: „Unbekannt“"},
      // A NUL byte in a stored criterion: the column and the value, never the statement.
      {Cli({"--user", "cli", "--query", "Nul"}), 1, "Spalte Name, Suchkriterium 'M\\x00x*'", "Fehler in Filter"},
      // User names are checked like layout names.
      {Cli({"--user", std::string(101, 'x')}), 2, "höchstens 100 Zeichen"},
      {Cli({"--user", "a\tb"}), 2, "keine Steuerzeichen"},
      // A whole load that fails half way: no file, and the status says so.
      {{"--db", db_, "--table", "Kaputt", "--max", "0", "--export", (dir_ / "k.txt").string()}, 1,
       "nicht exportiert", "Exportiert:"},
      // What a cell holds is shown, not obeyed.
      {Cli({"--search", "Nr=1"}), 0, "Böse\\x1b[2J\\x07", "\x1b"},
      // The key column takes no search (the controller leaves such a criterion out).
      {Cli({"--search", "Nr=1", "--key", "Nr"}), 2, "Schlüsselspalte"},
  };
  // clang-format on
  if (haveDevice)
    cases.push_back({Cli({"--export", device}), 1, "An dieser Stelle steht eine Gerätedatei"});
  Check(VMBGRID_CLI, cases);
  EXPECT_FALSE(fs::exists(dir_ / "k.txt"));
  EXPECT_TRUE(!haveDevice || fs::is_character_file(device)) << "the device node stays";
}

// Short of memory, the command-line host says so in German and ends with 1, leaving
// no file; it never aborts, and never passes a part of the rows off as the export.
// The limits run from "too small to start" to "enough": each run either starts not
// at all, refuses, or exports every row.
TEST_F(Hosts, CommandLineHostShortOfMemorySaysSoAndExportsNothing) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer reserves more address space than any limit allows";
#endif
  const fs::path file = dir_ / "speicher.txt";
  int refused = 0;
  for (rlim_t mib : {48, 64, 80, 96, 112, 128, 160, 192, 256, 384, 512, 1024}) {
    SCOPED_TRACE(std::to_string(mib) + " MiB");
    fs::remove(file);
    const Ended e = RunHost(
        VMBGRID_CLI, {"--db", db_, "--table", "Kunden", "--max", "0", "--export", file.string()},
        "", mib << 20);
    if (e.status == 127) continue;  // not even the program fitted
    if (e.status == 0) {
      EXPECT_EQ(LinesOf(file), static_cast<size_t>(kRows) + 1);
      break;
    }
    ASSERT_EQ(e.status, 1) << e.output.substr(0, 2000);
    EXPECT_NE(e.output.find("Nicht genug Arbeitsspeicher"), std::string::npos)
        << e.output.substr(0, 2000);
    EXPECT_EQ(e.output.find("Exportiert:"), std::string::npos);
    EXPECT_FALSE(fs::exists(file));
    ++refused;
  }
  EXPECT_GT(refused, 0) << "no limit was small enough to run short";
  EXPECT_TRUE(fs::exists(file)) << "no limit was large enough for the export";
}

#ifdef VMBGRID_BROWSER
TEST_F(Hosts, BrowserWithoutWindowWritesTheWholeResultOrNothing) {
  // All rows, loaded in portions on the event loop: the export waits for the last.
  const fs::path all = dir_ / "alle.txt";
  const Ended e = RunHost(
      VMBGRID_BROWSER, {"--db", db_, "--table", "Langsam", "--max", "0", "--export", all.string()});
  EXPECT_EQ(e.status, 0) << e.output;
  EXPECT_EQ(LinesOf(all), static_cast<size_t>(kRows) + 1) << "header and every row";
  EXPECT_NE(e.output.find("200.000 Datensätze"), std::string::npos) << e.output;

  fs::create_directories(dir_ / "ordner.pdf");
  const std::string out = (dir_ / "nie.txt").string();
  // clang-format off
  Check(VMBGRID_BROWSER, {
      {{"--db", db_, "--max", "3", "--export", (dir_ / "drei.txt").string()}, 0, "drei.txt"},
      {{"--db", db_, "--gibtsnicht"}, 2, "--gibtsnicht"},
      {{"--db", db_, "--max", "3", "--pdf", (dir_ / "ordner.pdf").string()}, 1,
       "An dieser Stelle steht ein Ordner", "Gespeichert"},
      {{"--db", db_, "--table", "Gibtsnicht", "--export", out}, 1, "gibt es in der Datenbank"},
      {{"--db", db_, "--max", "3", "--search", "Gibtsnicht=1", "--export", out}, 1,
       "gibt es in der Suchzeile nicht"},
      {{"--db", (dir_ / "fehlt.db").string(), "--export", out}, 1, "Verbindung mit Datenbank"},
      // A progressive load that fails half way ends with a message, not a file.
      {{"--db", db_, "--table", "Kaputt", "--max", "0", "--export", out}, 1,
       "Laden abgebrochen", "Exportiert"},
  });
  // clang-format on
  EXPECT_FALSE(fs::exists(out));
  EXPECT_TRUE(fs::is_directory(dir_ / "ordner.pdf"));
}

// A folder on a small file system of its own, so that a read-only folder and a full
// disk are real for root too, whom permissions do not stop. Mounting needs root (and
// the right to mount); without it, `skip` says why.
struct OwnDisk {
  OwnDisk(const fs::path& at, unsigned long flags) : dir(at) {
    fs::create_directories(dir);
    if (::geteuid() != 0) {
      if (flags & MS_RDONLY)
        ::chmod(dir.c_str(), 0555);  // permissions stop others
      else
        skip = "a full disk needs a file system of its own, which only root mounts";
      return;
    }
    mounted = ::mount("tmpfs", dir.c_str(), "tmpfs", flags, "size=64k") == 0;
    if (!mounted) skip = std::string("mounting a small file system failed: ") + strerror(errno);
  }
  ~OwnDisk() {
    if (mounted) ::umount2(dir.c_str(), MNT_DETACH);
  }
  fs::path dir;
  bool mounted = false;
  std::string skip;
};

// PDF and text export fail alike onto a missing folder, a read-only folder and a full
// disk: the chosen file and the cause, never the printer's message, status 1, and
// nothing left in the folder.
TEST_F(Hosts, BrowserPdfAndExportNameTheSameCauseForAFolderTheyCannotWrite) {
  OwnDisk readOnly(dir_ / "nurlesen", MS_RDONLY);
  OwnDisk full(dir_ / "voll", 0);
  if (full.mounted) {
    std::ofstream fill(full.dir / "fuellung", std::ios::binary);
    const std::string block(4096, 'x');
    while (fill.write(block.data(), block.size())) continue;
  }
  const struct {
    fs::path folder;
    const char* cause;
    std::string skip;
  } cases[] = {
      {dir_ / "fehlt", "Den Ordner gibt es nicht.", ""},
      {readOnly.dir, "Der Ordner ist schreibgeschützt.", readOnly.skip},
      {full.dir, "Der Datenträger ist voll.", full.skip},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder.string());
    if (!c.skip.empty()) {
      std::cout << "[ SKIPPED  ] " << c.folder.filename() << ": " << c.skip << "\n";
      continue;
    }
    const auto listing = [&] {
      std::vector<std::string> names;
      if (fs::exists(c.folder))
        for (const auto& e : fs::directory_iterator(c.folder)) names.push_back(e.path().string());
      return names;
    };
    const std::vector<std::string> before = listing();
    for (const char* option : {"--export", "--pdf"}) {
      const std::string target =
          (c.folder / (std::string("x.") + (option[2] == 'p' ? "pdf" : "txt"))).string();
      const Ended e = RunHost(VMBGRID_BROWSER, {"--db", db_, "--max", "3", option, target});
      EXPECT_EQ(e.status, 1) << e.output;
      EXPECT_TRUE(pgtest::Has(
          e.output, "Die Datei \"" + target + "\" konnte nicht geschrieben werden: " + c.cause));
      for (const char* never : {"Gespeichert", "Exportiert", "Drucker"})
        EXPECT_EQ(e.output.find(never), std::string::npos) << e.output;
    }
    EXPECT_EQ(listing(), before) << "no file and no temporary file left";
  }
}
#endif

TEST_F(Hosts, InputHostAndSampleGeneratorSayWhatHappenedInTheirStatus) {
  for (const auto& [input, status] :
       std::vector<std::pair<std::string, int>>{{"Müller\n12\n1.2.2027\n", 0},
                                                {"", 0},
                                                {"Müller\nzwölf\n", 1},
                                                {"x\n1\n31.2.2026\n", 1}}) {
    SCOPED_TRACE(input);
    EXPECT_EQ(RunHost(VMBGRID_INPUT, {}, input).status, status);
  }
  const std::string device = (dir_ / "geraet.db").string();
  const bool haveDevice = ::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  fs::create_directories(dir_ / "ordner.db");
  std::vector<Case> cases = {
      {{"--rows", "10", "--out", (dir_ / "neu.db").string()}, 0, "10 Kunden"},
      {{"--rows", "viele"}, 2, "--rows erwartet eine Zahl"},
      {{"--rows", "10", "--out", (dir_ / "ordner.db").string()}, 1, "ein Ordner"},
  };
  if (haveDevice) cases.push_back({{"--rows", "10", "--out", device}, 1, "eine Gerätedatei"});
  Check(VMBGRID_SAMPLEDB, cases);
  EXPECT_TRUE(!haveDevice || fs::is_character_file(device));
}

// The server goes away while the command-line host reads the rows for an export: the
// host says so, writes no file and ends with 1 (it once wrote an empty file and
// reported "Exportiert"). A server of its own, so that halting it disturbs no other
// test.
TEST(HostsOnServer, CommandLineExportLeavesNoFileWhenTheServerGoesAway) {
  const pgtest::OwnServer server("pgcli");
  if (!server.Skip().empty()) GTEST_SKIP() << server.Skip();
  const std::string info = server.ConnInfo();
  ASSERT_EQ(pgtest::Admin(info,
                          "CREATE TABLE z AS SELECT g AS n, md5(g::text) AS s "
                          "FROM generate_series(1, 1000000) g"),
            "");
  ASSERT_EQ(pgtest::Admin(info, "CHECKPOINT"), "");
  const fs::path out = fs::temp_directory_path() / ("vmbgrid_pgcli_" + std::to_string(::getpid()));
  fs::create_directories(out);
  const fs::path file = out / "z.txt";
  ChildProcess cli(VMBGRID_CLI,
                   {"--db", "Provider=PostgreSQL;Data Source=\"" + info + "\"", "--table", "z",
                    "--max", "0", "--export", file.string()},
                   {"", 0, true});
  // Once the rows come in batches, the server is killed as a pulled cable would.
  bool fetching = false;
  for (int i = 0; i < 3000 && !fetching; ++i) {
    fetching = pgtest::Scalar(
                   info, "SELECT count(*) FROM pg_stat_activity WHERE query LIKE 'FETCH%'") != "0";
    if (!fetching) ::usleep(10000);
  }
  ASSERT_TRUE(fetching);
  ASSERT_TRUE(server.Halt());
  const Ended e = cli.Finish();
  EXPECT_EQ(e.status, 1) << e.output.substr(0, 2000);
  EXPECT_NE(e.output.find("nicht exportiert"), std::string::npos) << e.output.substr(0, 2000);
  EXPECT_EQ(e.output.find("Exportiert:"), std::string::npos);
  EXPECT_FALSE(fs::exists(file));
  fs::remove_all(out);
}

}  // namespace
}  // namespace vmbgrid::hosttest
