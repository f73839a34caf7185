#include "bench/controller/controller_fixture.h"

#include <time.h>

#include "adapters/sqlite/sqlite_provider.h"
#include "data/provider.h"
#include "host/error.h"
#include "host/platform.h"

namespace vmbgrid::bench {

double ThreadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

HeadlessPlatform& InstallPlatform() {
  sqlite::Register();
  return InstallHeadlessPlatform(&data::DefaultDataAccess());
}

KundenHost::KundenHost(const std::string& databasePath, const std::string& layoutFolder)
    : connectionString_("Provider=SQLite;Data Source=" + databasePath) {
  connection_ = Platform::Data().CreateConnection();
  connection_->ConnectionString(connectionString_);
  connection_->SetStatementLog([this](const std::string& s) { log_.push_back(s); });
  connection_->Open();

  dataGrid_.Height(240 * 30);
  grid_ = std::make_unique<VMGrid>();
  VMGrid& g = *grid_;
  g.Init(0, "vmbgrid-bench", "Kunden");
  g.grid(&dataGrid_);
  g.LayoutFile(layoutFolder + "/grdKunden");
  g.SearchGrid(&searchGrid_);
  g.SumGrid(&sumGrid_);
  g.Connection(connection_);
  g.RecordSource("Kunden");
  // Types are left to the first load, as most hosts do.
  g.AddField("Nr", "Kunden-Nr.", false, false, kTypeUndetermined, false, "", 0, vmSUM);
  g.AddField("Name", "Name");
  g.AddField("Vorname", "Vorname");
  g.AddField("Strasse", "Straße");
  g.AddField("PLZ", "PLZ");
  g.AddField("Ort", "Ort");
  g.AddField({.name = "Umsatz",
              .caption = "Umsatz",
              .FormatString = "#,##0.00",
              .sumDatatype = vmSUM,
              .sumformatstring = "#,##0.00"});
  g.AddField("Geburtstag", "Geburtstag", false, false, kTypeUndetermined, false, "dd.mm.yyyy");
  g.AddField("Aktiv", "Aktiv");
  g.AddField("Status", "Status", false, false, kTypeUndetermined, false, "", 0, vmSUM);
  g.AddField("Notiz", "Notiz");
  g.AddSortColumn("Nr", ascending);
}

KundenHost::~KundenHost() {
  grid_.reset();
  Platform::Events().ProcessPendingEvents();
  connection_->SetStatementLog(nullptr);
}

void KundenHost::Requery() {
  grid_->Requery();
  Platform::Events().ProcessPendingEvents();
}

std::string KundenHost::LastSelect() const {
  for (auto it = log_.rbegin(); it != log_.rend(); ++it)
    if (it->find(" WHERE 0 = 1") == std::string::npos) return *it;
  return "";
}

std::shared_ptr<Recordset> OpenThroughDataLayer(const std::string& statement,
                                                const std::string& connectionString) {
  auto rs = Platform::Data().CreateRecordset();
  rs->CursorLocation(adUseClient);
  auto cmd = Platform::Data().CreateCommand();
  cmd->CommandText(statement);
  cmd->CommandType(adCmdText);
  cmd->CommandTimeout(0);
  cmd->ActiveConnection(connectionString);
  cmd->Prepared(false);
  rs->Open(cmd, adOpenKeyset, adLockReadOnly, -1);
  return rs;
}

std::vector<double> PlainTotals(Recordset& rs, const std::vector<std::string>& columns) {
  std::vector<double> totals;
  const int32_t n = rs.RecordCount();
  for (const std::string& name : columns) {
    const int idx = rs.FieldIndex(name);
    double total = 0.0, v = 0.0;
    for (int32_t i = 0; i < n; ++i)
      if (rs.NumberAt(i, idx, v)) total += v;
    totals.push_back(total);
  }
  return totals;
}

namespace {
struct Criterion {
  const char* field;
  int32_t type;
  const char* typed;
};

// What users type into a wide customer search line.
const Criterion kTwenty[] = {
    {"Name", adVarWChar, "Mei*"},
    {"Vorname", adVarWChar, "Jürgen;Jörg,Björn"},
    {"Strasse", adVarWChar, "A-M"},
    {"PLZ", adVarChar, "10000-19999;80000-89999"},
    {"Ort", adVarWChar, "\"Frankfurt (Oder)\""},
    {"Land", adVarChar, "ODER DE"},
    {"Umsatz", adDouble, "1000,50-25000"},
    {"Rabatt", adDouble, ">=2,5"},
    {"Kreditlimit", adInteger, "5000-"},
    {"Status", adInteger, "1;2;3"},
    {"Filiale", adSmallInt, "<>7"},
    {"Kundennummer", adBigInt, "100000-199999"},
    {"Geburtstag", adDate, "1.1.1950-31.12.1969"},
    {"Eintritt", adDBTimeStamp, ">=1.1.2000"},
    {"LetzteBestellung", adDate, "ODER 1.1.2020-31.12.2020"},
    {"Aktiv", adBoolean, "-1"},
    {"Telefon", adVarChar, "089*;069*"},
    {"Email", adVarWChar, "ODER *@example.de"},
    {"Branche", adVarWChar, "Handel;Handwerk;Industrie"},
    {"Bemerkung", adVarChar, "O'Brien"},
};
}  // namespace

int AddTwentyCriteria(VMGrid& grid) {
  int added = 0;
  for (const Criterion& c : kTwenty) {
    grid.AddField(c.field, c.field, false, false, c.type);
    grid.AddRestriction(c.field, c.typed, false, c.type);
    ++added;
  }
  return added;
}

}  // namespace vmbgrid::bench
