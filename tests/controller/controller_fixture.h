// Shared set-up of the controller tests: an in-memory SQLite database with a small
// customer table, the headless platform, a headless data grid and a controller on
// it. The test's connection stays open for the whole test, so every statement the
// controller sends (it opens by connection string) reaches the same database and
// shows up in the statement log.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "adapters/headless/headless.h"
#include "adapters/sqlite/sqlite_provider.h"
#include "data/provider.h"
#include "grid/vmgrid.h"
#include "host/platform.h"

namespace vmbgrid::testing {

inline constexpr const char* kMemoryDb = "Provider=SQLite;Data Source=:memory:";

class ControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sqlite::Register();
    platform_ = &InstallHeadlessPlatform(&data::DefaultDataAccess());
    conn_ = data::DefaultDataAccess().CreateConnection();
    conn_->ConnectionString(kMemoryDb);
    conn_->Open();
    CreateTable();
    // The settings store's entries and the layout procedures are read and written
    // on the same connection (the start layout at the first Requery, the layout
    // state at shutdown); the log keeps the controller's own statements.
    conn_->SetStatementLog([this](const std::string& s) {
      if (s.find("vmgrid_settings") != std::string::npos ||
          s.find("aa_gridlayout") != std::string::npos)
        return;
      log_.push_back(s);
    });
  }

  // The customer table the controller shows; a suite may give it other columns.
  virtual void CreateTable() {
    conn_->Execute(
        "CREATE TABLE Kunden (Nr INTEGER, Name VARCHAR(50), Ort VARCHAR(40), Plz VARCHAR(5), "
        "Umsatz DOUBLE, Anzahl SINGLE, Geburtstag DATE, Aktiv BOOLEAN, Notiz LONGTEXT, "
        "Kennung GUID, Betrag CURRENCY)");
    const char* rows[] = {
        "(1, 'Meier', 'Berlin', '10115', 1500.5, 2, '1960-03-01', 1, 'Stammkunde', "
        "'{00000000-0000-0000-0000-000000000001}', 10)",
        "(2, 'Müller', 'Hamburg', '20095', 200, 1, '1975-07-15', 0, NULL, NULL, 20)",
        "(3, 'Schulz', 'Berlin', '10117', 3000, 5, NULL, 1, NULL, NULL, 30)",
        "(17, 'O''Brien', 'Köln', '50667', 99.5, 3, '1980-01-01', 1, NULL, NULL, 40)",
        "(5, 'Becker', 'München', '80331', 0, 0, '1990-12-24', 0, NULL, NULL, 50)",
        "(8, 'Meiners', 'Bremen', '28195', 750, 4, '1955-05-05', 1, NULL, NULL, 60)",
        "(9, 'Adler', 'Hamburg', '20097', 1200, 2, '1970-10-10', 0, NULL, NULL, 70)",
        "(12, 'Zander', 'Berlin', '10119', 50, 1, '2001-02-03', 1, NULL, NULL, 80)",
    };
    for (const char* r : rows) conn_->Execute(std::string("INSERT INTO Kunden VALUES ") + r);
  }

  void TearDown() override {
    vm_.reset();
    conn_->SetStatementLog(nullptr);
    conn_->Close();
    ResetHeadlessPlatform();
  }

  // A controller on the data grid, connected, on the table Kunden.
  VMGrid& Make() {
    vm_ = std::make_unique<VMGrid>();
    vm_->Init(0, "Test", "frmKunden");
    vm_->grid(&main_);
    vm_->Connection(conn_);
    vm_->RecordSource("Kunden");
    return *vm_;
  }
  // Make() with column fields of known types, so that no type probe is sent.
  VMGrid& MakeTyped() {
    VMGrid& g = Make();
    g.AddField("Name", "", false, false, adVarChar);
    g.AddField("Ort", "", false, false, adVarChar);
    g.AddField("Nr", "", false, false, adInteger);
    return g;
  }

  // The customer rows as a host hands them over to SetRS.
  std::shared_ptr<Recordset> HostRows(const std::string& columns = "Nr, Name, Ort") {
    auto rs = data::DefaultDataAccess().CreateRecordset();
    rs->CursorLocation(adUseClient);
    rs->Open("SELECT " + columns + " FROM Kunden", conn_, adOpenStatic, adLockReadOnly, adCmdText);
    return rs;
  }

  // The statement log since the last call.
  std::vector<std::string> TakeLog() { return std::exchange(log_, {}); }
  // The last statement sent since the last TakeLog, "" when none.
  std::string Last() {
    std::vector<std::string> l = TakeLog();
    return l.empty() ? std::string() : l.back();
  }
  bool LogContains(const std::string& part) const {
    for (const auto& s : log_)
      if (s.find(part) != std::string::npos) return true;
    return false;
  }

  // Messages shown since the last call (ShowMessage, MessageBox and error reports).
  std::vector<std::string> TakeMessages() {
    std::vector<std::string> out = platform_->messages.texts();
    platform_->messages.clear();
    return out;
  }
  // The one message shown since the last call, which must hold `part`.
  std::string OneMessage(const std::string& part) {
    const std::vector<std::string> shown = TakeMessages();
    EXPECT_EQ(shown.size(), 1u) << ::testing::PrintToString(shown);
    if (shown.empty()) return "";
    EXPECT_NE(shown[0].find(part), std::string::npos) << shown[0];
    return shown[0];
  }
  const std::vector<HeadlessMessages::Entry>& MessageEntries() const {
    return platform_->messages.entries();
  }

  // The values of one column of the rows the grid shows, in display order.
  std::vector<std::string> Column(const std::string& field) const {
    std::vector<std::string> out;
    auto rs = main_.DataSource();
    if (!rs || rs->State() == adStateClosed) return out;
    int idx = rs->FieldIndex(field);
    if (idx < 0) return out;
    for (int32_t i = 0; i < rs->RecordCount(); ++i)
      out.push_back(rs->ValueAt(i, idx).ToTextOrEmpty());
    return out;
  }
  // Makes the grid's row with the given ordinal current.
  void MoveTo(int32_t ordinal) { main_.Bookmark(BookmarkOf(ordinal)); }
  Variant BookmarkOf(int32_t ordinal) const { return main_.DataSource()->BookmarkAt(ordinal); }

  HeadlessPlatform* platform_ = nullptr;
  std::shared_ptr<Connection> conn_;
  std::vector<std::string> log_;
  // The controls outlive the controller, as on a host form.
  HeadlessGrid main_{"grdKunden"};
  HeadlessGrid search_{"grdSuche"};
  HeadlessGrid sum_{"grdSumme"};
  std::unique_ptr<VMGrid> vm_;
};

}  // namespace vmbgrid::testing
