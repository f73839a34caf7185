// vmbgrid-crash-saver: saves layouts (layout file and database) and options in a
// loop, as a user would through the layout dialog, for the tests that kill it.
//   vmbgrid-crash-saver FOLDER prepare
//   vmbgrid-crash-saver FOLDER save TAG FROM ROUNDS     (ROUNDS 0: until killed)
//   vmbgrid-crash-saver FOLDER lock MILLISECONDS        (holds the database locked)
// Prints "bereit" once the grid is loaded, then the number of every round whose
// saves all returned; a failure prints "FEHLER <message>" and ends with 1.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "adapters/headless/headless.h"
#include "adapters/sqlite/sqlite_provider.h"
#include "data/provider.h"
#include "grid/vmgrid.h"
#include "host/error.h"
#include "layout/layout_store.h"
#include "tests/reliability/saver_protocol.h"

namespace {

using namespace vmbgrid;
using namespace vmbgrid::reliability;

void Say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

// Ends the process on the first message the library shows.
bool Failed(HeadlessPlatform& platform) {
  const std::vector<std::string> texts = platform.messages.texts();
  if (texts.empty()) return false;
  Say("FEHLER " + texts.front());
  return true;
}

void SaveBoth(VMGrid& g, const std::string& name) {
  g.SaveMode(VelmGRX);
  g.Layouts().SaveLayout(name);
  g.SaveMode(velmDB);
  g.Layouts().SaveLayout(name);
}

int Run(const std::filesystem::path& folder, const std::string& mode, int tag, int from,
        int rounds) {
  sqlite::Register();
  HeadlessPlatform& platform = InstallHeadlessPlatform(&data::DefaultDataAccess());
  const std::string db = (folder / "app.db").string();
  auto conn = Platform::Data().CreateConnection();
  conn->ConnectionString("Provider=SQLite;Data Source=" + db +
                         (mode == "prepare" ? ";Mode=Create" : ""));
  conn->Open();
  if (mode == "lock") {
    conn->Execute("BEGIN EXCLUSIVE");
    Say("gesperrt");
    std::this_thread::sleep_for(std::chrono::milliseconds(from));
    conn->Execute("COMMIT");
    conn->Close();
    ResetHeadlessPlatform();
    return 0;
  }
  if (mode == "prepare") {
    conn->Execute(
        "CREATE TABLE Kunden (Nr INTEGER PRIMARY KEY, Name VARCHAR(50), Ort VARCHAR(40))");
    conn->Execute("INSERT INTO Kunden VALUES (1, 'Meier', 'Berlin'), (2, 'Müller', 'Köln')");
  }
  HeadlessGrid grid("grdKunden");
  int rc = 0;
  {
    VMGrid g;
    g.Init(0, "Test", "frmKunden");
    g.grid(&grid);
    g.Connection(conn);
    g.RecordSource("Kunden");
    g.AddField("Name", "", false, false, adVarChar);
    g.AddField("Ort", "", false, false, adVarChar);
    g.AddField("Nr", "", false, false, adInteger);
    g.user(kUser);
    g.LayoutFile((folder / "Kunden").string());
    g.Requery();
    if (Failed(platform)) return 1;
    auto widths = [&grid](double w) {
      for (int i = 0; i < grid.ColumnCount(); ++i) grid.Column(i).Width(w);
    };
    if (mode == "prepare") {
      widths(kUntouchedWidth);
      SaveBoth(g, kUntouched);
      rc = Failed(platform) ? 1 : 0;
    } else {
      Say("bereit");
      for (int n = from; rounds == 0 || n < from + rounds; ++n) {
        const int w = WidthOf(n, tag);
        widths(w);
        SaveBoth(g, kShared);
        SaveBoth(g, OwnName(tag));
        g.MaxRecordsFromDialog(w);
        g.SaveSettings();
        rc = Failed(platform) ? 1 : 0;
        if (rc != 0) break;
        Say(std::to_string(n));
      }
    }
  }
  conn->Close();
  ResetHeadlessPlatform();
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string mode = argv[2];
  const bool save = mode == "save" && argc == 6;
  if (mode != "prepare" && !save && !(mode == "lock" && argc == 4)) return 2;
  try {
    if (mode == "lock") return Run(argv[1], mode, 0, std::atoi(argv[3]), 0);
    return Run(argv[1], mode, save ? std::atoi(argv[3]) : 0, save ? std::atoi(argv[4]) : 0,
               save ? std::atoi(argv[5]) : 0);
  } catch (const VMError& e) {
    Say("FEHLER " + e.Description());
  } catch (const std::exception& e) {
    Say(std::string("FEHLER ") + e.what());
  }
  return 1;
}
