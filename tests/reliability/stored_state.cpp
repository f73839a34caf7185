#include "tests/reliability/stored_state.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <vector>

#include "adapters/common/layout_file.h"
#include "host/error.h"
#include "host/platform.h"
#include "tests/support/child_process.h"

namespace vmbgrid::reliability {

using vmbgrid::testing::ChildProcess;

namespace {

std::string Describe(const std::exception& e) {
  if (auto* vm = dynamic_cast<const VMError*>(&e)) return vm->Description();
  return e.what();
}

// One version for all widths, or the problem.
Entry FromWidths(const std::vector<double>& widths) {
  if (widths.size() != static_cast<size_t>(kColumns))
    return {std::nullopt,
            std::to_string(widths.size()) + " Spalten statt " + std::to_string(kColumns)};
  if (std::adjacent_find(widths.begin(), widths.end(), std::not_equal_to<>()) != widths.end())
    return {std::nullopt, "Spalten verschiedener Fassungen"};
  Entry e;
  e.version = VersionOf(widths.front());
  if (!e.version && widths.front() != kUntouchedWidth) e.problem = "unbekannte Breite";
  return e;
}

// Rows of a statement on the folder's database; a fresh connection each time, so
// that it finds the file as a newly started program would.
std::vector<std::vector<Variant>> Query(const std::filesystem::path& folder,
                                        const std::string& statement) {
  auto conn = Platform::Data().CreateConnection();
  conn->ConnectionString("Provider=SQLite;Data Source=" + (folder / "app.db").string());
  conn->Open();
  // Closed however the statement ends.
  const std::unique_ptr<Connection, void (*)(Connection*)> closer(
      conn.get(), [](Connection* c) { c->Close(); });
  std::vector<std::vector<Variant>> rows;
  auto rs = Platform::Data().CreateRecordset();
  rs->Open(statement, conn);
  for (int32_t i = 0; i < rs->RecordCount(); ++i) {
    std::vector<Variant> row;
    for (int f = 0; f < rs->FieldCount(); ++f) row.push_back(rs->ValueAt(i, f));
    rows.push_back(std::move(row));
  }
  return rows;
}

bool NoTable(const VMError& e) {
  return e.Description().find("no such table") != std::string::npos ||
         e.Description().find("gibt es in der Datenbank nicht") != std::string::npos;
}

}  // namespace

std::filesystem::path PreparedFolder(const std::string& name) {
  namespace fs = std::filesystem;
  const fs::path folder =
      fs::temp_directory_path() / ("vmb_" + name + "_" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  ChildProcess prepare(VMBGRID_CRASH_SAVER, {folder.string(), "prepare"});
  std::vector<std::string> said = prepare.ReadRest();
  if (prepare.Wait() != 0)
    throw std::runtime_error("prepare: " + (said.empty() ? std::string() : said.front()));
  return folder;
}

Entry FileLayout(const std::filesystem::path& folder, const std::string& name) {
  try {
    LayoutFile file((folder / "Kunden.grx").string());
    std::vector<std::string> names = file.Names();
    if (std::count(names.begin(), names.end(), name) == 0) return {};
    GridLayout layout = file.Load(name);
    std::vector<double> widths;
    for (const ColumnLayout& c : layout.columns) widths.push_back(c.width);
    return FromWidths(widths);
  } catch (const std::exception& e) {
    return {std::nullopt, "Layoutdatei: " + Describe(e)};
  }
}

Entry DatabaseLayout(const std::filesystem::path& folder, const std::string& name) {
  try {
    auto headers = Query(folder, "SELECT layoutid FROM aa_gridlayout_kopf WHERE sublayout = '" +
                                     name + "' AND \"user\" = '" + kUser + "'");
    if (headers.empty()) return {};
    if (headers.size() > 1) return {std::nullopt, "mehrere Köpfe"};
    auto fields = Query(folder, "SELECT width FROM aa_gridlayout_feld WHERE layoutid = " +
                                    headers[0][0].ToTextOrEmpty() + " ORDER BY nr");
    std::vector<double> widths;
    for (auto& f : fields) widths.push_back(f[0].IsNull() ? -1 : f[0].ToDouble());
    return FromWidths(widths);
  } catch (const VMError& e) {
    if (NoTable(e)) return {};
    return {std::nullopt, "Datenbank: " + e.Description()};
  }
}

Entry StoredMaxRecords(const std::filesystem::path& folder) {
  try {
    auto rows = Query(folder, std::string("SELECT wert FROM vmgrid_settings WHERE schluessel = "
                                          "'MaxRecords' AND owner = '") +
                                  kUser + "'");
    if (rows.empty()) return {};
    if (rows.size() > 1) return {std::nullopt, "mehrere Einträge"};
    const std::string text = rows[0][0].ToTextOrEmpty();
    Entry e;
    e.version = VersionOf(std::atof(text.c_str()));
    if (!e.version || std::to_string(WidthOf(e.version->round, e.version->tag)) != text)
      return {std::nullopt, "Wert \"" + text + "\""};
    return e;
  } catch (const VMError& e) {
    if (NoTable(e)) return {};
    return {std::nullopt, "Datenbank: " + e.Description()};
  }
}

std::string UntouchedProblem(const std::filesystem::path& folder) {
  for (const Entry& e : {FileLayout(folder, kUntouched), DatabaseLayout(folder, kUntouched)}) {
    if (!e.problem.empty()) return e.problem;
    if (e.version) return "Layout \"Andere\" überschrieben";
  }
  // Absent would show as neither problem nor version: look for it by name.
  try {
    LayoutFile file((folder / "Kunden.grx").string());
    if (!file.Contains(kUntouched)) return "Layout \"Andere\" fehlt in der Datei";
    if (Query(folder, "SELECT 1 FROM aa_gridlayout_kopf WHERE sublayout = 'Andere'").empty())
      return "Layout \"Andere\" fehlt in der Datenbank";
  } catch (const std::exception& e) {
    return Describe(e);
  }
  return "";
}

}  // namespace vmbgrid::reliability
