// A host form as the office worker sees it: a text box, the search line, the data
// grid over a customer table and the sum line, driven through the headless front end
// on the controller tests' database.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "search/grid_interaction.h"
#include "search/search_row.h"
#include "search/sum_row.h"
#include "tests/controller/controller_fixture.h"

namespace vmbgrid::testing {

struct RecordedEvents : VMGridEvents {
  int searchChanged = 0, focusPrevious = 0;
  void SearchChanged() override { ++searchChanged; }
  void FocusPrevious() override { ++focusPrevious; }
};

class BrowserTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    platform_->form.AddControl("txtVorher");
    platform_->form.AddGrid(search_);
    platform_->form.AddGrid(main_);
    platform_->form.AddControl("txtNachher");
  }

  // Four customers of two clients (Mandant), with a column that cannot be searched.
  void CreateTable() override {
    conn_->Execute(
        "CREATE TABLE Kunden (Nr INTEGER, Name VARCHAR(50), Ort VARCHAR(50), Umsatz DOUBLE, "
        "Mandant INTEGER, Notiz TEXT)");
    conn_->Execute(
        "INSERT INTO Kunden VALUES (1, 'Meier', 'Bonn', 1.5, 7, 'a'), (2, 'Müller', 'Köln', 2, 7, "
        "'b'), (3, 'Meiser', 'Bonn', 10, 8, 'c'), (4, 'Schulz', 'Aachen', 20, 8, 'd')");
  }

  // The usual host set-up; options may be changed before Attach.
  void Attach(bool withSearch = true, bool withSum = true) {
    vm_ = std::make_unique<VMGrid>();
    vm_->Init(0, "Test", "frmMain");
    vm_->Events(&events);
    vm_->ReturnNavigatesInGrid(returnNavigates);
    vm_->RefreshOnLeaveColumn(refreshOnLeaveColumn);
    vm_->grid(&main_);
    if (withSearch) vm_->SearchGrid(&search_);
    if (withSum) vm_->SumGrid(&sum_);
    vm_->Connection(conn_);
    vm_->RecordSource("Kunden");
    vm_->AddField({.name = "Nr", .caption = "Nr", .datatype = adInteger});
    vm_->AddField({.name = "Name", .caption = "Name", .datatype = adVarChar});
    vm_->AddField({.name = "Ort", .caption = "Ort", .datatype = adVarChar});
    vm_->AddField(
        {.name = "Umsatz", .caption = "Umsatz", .datatype = adDouble, .sumDatatype = vmSUM});
  }

  void Load() {
    vm_->Requery();
    Pump();
    log_.clear();
  }

  void Pump() { platform_->events.ProcessPendingEvents(); }

  // The search line with focus by keyboard, then the text typed into column c.
  void TypeInSearch(int c, const std::string& text) {
    if (!search_.HasFocus()) platform_->form.FocusControl(search_.Name());
    search_.Col(c);
    search_.Type(text);
  }

  std::string SearchCell(int c) const {
    return vm_->SearchRowState().Array()->Value(1, c).ToTextOrEmpty();
  }
  std::string SumCell(int c) const {
    return vm_->SumRowState().Array()->Value(1, c).ToTextOrEmpty();
  }
  std::string LastStatement() const { return log_.empty() ? "" : log_.back(); }
  std::string Focused() const { return platform_->form.ActiveControlName(); }

  HeadlessDropDown searchDropDown{"ddSuche"};
  HeadlessDropDown inputDropDown{"ddEingabe"};
  RecordedEvents events;
  bool returnNavigates = true;
  bool refreshOnLeaveColumn = true;
};

}  // namespace vmbgrid::testing
