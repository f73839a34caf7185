// A host form as the office worker sees it: a text box, the search line, the data
// grid over a customer table and the sum line, driven through the headless front end.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "adapters/headless/headless.h"
#include "adapters/sqlite/sqlite_provider.h"
#include "data/provider.h"
#include "grid/vmgrid.h"
#include "search/grid_interaction.h"
#include "search/search_row.h"
#include "search/sum_row.h"

namespace vmbgrid::testing {

struct RecordedEvents : VMGridEvents {
  int searchChanged = 0, dblClick = 0, focusPrevious = 0;
  void SearchChanged() override { ++searchChanged; }
  void DblClickOverData() override { ++dblClick; }
  void FocusPrevious() override { ++focusPrevious; }
};

class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sqlite::Register();
    platform = &InstallHeadlessPlatform(&data::DefaultDataAccess());
    conn = Platform::Data().CreateConnection();
    conn->Open("Provider=SQLite;Data Source=:memory:");
    conn->Execute(
        "CREATE TABLE Kunden (Nr INTEGER, Name VARCHAR(50), Ort VARCHAR(50), Umsatz DOUBLE, "
        "Mandant INTEGER, Notiz TEXT)");
    conn->Execute(
        "INSERT INTO Kunden VALUES (1, 'Meier', 'Bonn', 1.5, 7, 'a'), (2, 'Müller', 'Köln', 2, 7, "
        "'b'), (3, 'Meiser', 'Bonn', 10, 8, 'c'), (4, 'Schulz', 'Aachen', 20, 8, 'd')");
    conn->SetStatementLog([this](const std::string& s) { statements.push_back(s); });

    platform->form.AddControl("txtVorher");
    platform->form.AddGrid(search);
    platform->form.AddGrid(main);
    platform->form.AddControl("txtNachher");
  }

  void TearDown() override {
    vm.reset();
    conn->SetStatementLog(nullptr);
    ResetHeadlessPlatform();
  }

  // The usual host set-up; options may be changed before Attach.
  void Attach(bool withSearch = true, bool withSum = true) {
    vm = std::make_unique<VMGrid>();
    vm->Init(0, "Test", "frmMain");
    vm->Events(&events);
    vm->ReturnNavigatesInGrid(returnNavigates);
    vm->RefreshOnLeaveColumn(refreshOnLeaveColumn);
    vm->grid(&main);
    if (withSearch) vm->SearchGrid(&search);
    if (withSum) vm->SumGrid(&sum);
    vm->Connection(conn);
    vm->RecordSource("Kunden");
    vm->AddField({.name = "Nr", .caption = "Nr", .datatype = adInteger});
    vm->AddField({.name = "Name", .caption = "Name", .datatype = adVarChar});
    vm->AddField({.name = "Ort", .caption = "Ort", .datatype = adVarChar});
    vm->AddField(
        {.name = "Umsatz", .caption = "Umsatz", .datatype = adDouble, .sumDatatype = vmSUM});
  }

  void Load() {
    vm->Requery();
    Pump();
    statements.clear();
  }

  void Pump() { platform->events.ProcessPendingEvents(); }

  // The search line with focus by keyboard, then the text typed into column c.
  void TypeInSearch(int c, const std::string& text) {
    if (!search.HasFocus()) platform->form.FocusControl(search.Name());
    search.Col(c);
    search.Type(text);
  }

  std::string SearchCell(int c) const {
    return vm->SearchRowState().Array()->Value(1, c).ToTextOrEmpty();
  }
  std::string SumCell(int c) const {
    return vm->SumRowState().Array()->Value(1, c).ToTextOrEmpty();
  }
  std::string LastStatement() const { return statements.empty() ? "" : statements.back(); }
  std::string Focused() const { return platform->form.ActiveControlName(); }

  HeadlessPlatform* platform = nullptr;
  std::shared_ptr<Connection> conn;
  std::vector<std::string> statements;
  HeadlessGrid main{"grdKunden"};
  HeadlessGrid search{"grdSuche"};
  HeadlessGrid sum{"grdSumme"};
  HeadlessDropDown searchDropDown{"ddSuche"};
  HeadlessDropDown inputDropDown{"ddEingabe"};
  RecordedEvents events;
  bool returnNavigates = true;
  bool refreshOnLeaveColumn = true;
  std::unique_ptr<VMGrid> vm;
};

}  // namespace vmbgrid::testing
