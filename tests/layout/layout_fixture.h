// Layout tests: the controller fixture plus a layout file in a folder of its own,
// a recorder of the four layout events and direct reads of the layout tables.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/settings_store.h"
#include "layout/layout_store.h"
#include "tests/controller/controller_fixture.h"

namespace vmbgrid::testing {

class LayoutEvents : public VMGridEvents {
 public:
  std::vector<std::string> seen;
  void BeforeLayoutSave(const std::string& l) override { seen.push_back("BeforeSave:" + l); }
  void AfterLayoutSave(const std::string& l) override { seen.push_back("AfterSave:" + l); }
  void BeforeLayoutLoad(const std::string& l) override { seen.push_back("BeforeLoad:" + l); }
  void AfterLayoutLoad(const std::string& l) override { seen.push_back("AfterLoad:" + l); }
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(seen);
    return out;
  }
};

class LayoutTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("vmb_layout_" + std::string(info->test_suite_name()) + "_" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    settings_.SetConnection(conn_);
  }
  void TearDown() override {
    ControllerTest::TearDown();
    std::filesystem::remove_all(dir_);
  }

  // A typed controller of that user, layouts in this test's folder as "Kunden".
  VMGrid& Open(const std::string& user, int32_t saveMode = VelmGRX) {
    vm_.reset();  // the previous one shuts down first
    VMGrid& g = MakeTyped();
    g.user(user);
    g.SaveMode(saveMode);
    g.LayoutFile((dir_ / "Kunden").string());
    g.Events(&events_);
    return g;
  }
  void Close() { vm_.reset(); }

  std::string Entry(const std::string& key, const std::string& user) {
    return settings_.ReadSetting("GridLayouts", key, user, "", "<keiner>");
  }

  // Rows of a statement on the layout tables, cells as text joined by "|".
  std::vector<std::string> Rows(const std::string& statement) {
    std::vector<std::string> out;
    auto rs = Platform::Data().CreateRecordset();
    rs->Open(statement, conn_);
    for (int32_t i = 0; i < rs->RecordCount(); ++i) {
      std::string line;
      for (int f = 0; f < rs->FieldCount(); ++f) {
        Variant v = rs->ValueAt(i, f);
        line += (f ? "|" : "") + (v.IsNull() ? std::string("NULL") : v.ToTextOrEmpty());
      }
      out.push_back(line);
    }
    return out;
  }
  std::vector<std::string> Headers() {
    return Rows("SELECT layout, sublayout, \"user\" FROM aa_gridlayout_kopf ORDER BY layoutid");
  }
  // The field records of one layout: fieldname|order|sortdirection|sortorder|visible.
  std::vector<std::string> Fields(const std::string& sublayout, const std::string& user) {
    return Rows(
        "SELECT f.fieldname, f.\"order\", f.sortdirection, f.sortorder, f.visible FROM "
        "aa_gridlayout_feld f JOIN aa_gridlayout_kopf k ON k.layoutid = f.layoutid WHERE "
        "k.sublayout = '" +
        sublayout + "' AND k.\"user\" = '" + user + "' ORDER BY f.nr");
  }

  // Data fields of the grid's columns in display order; hidden ones in brackets.
  std::vector<std::string> Shown() {
    std::vector<std::pair<int, std::string>> cols;
    for (int i = 0; i < main_.ColumnCount(); ++i) {
      GridColumn& c = main_.Column(i);
      cols.emplace_back(c.Order(), c.Visible() ? c.DataField() : "(" + c.DataField() + ")");
    }
    std::sort(cols.begin(), cols.end());
    std::vector<std::string> out;
    for (auto& c : cols) out.push_back(c.second);
    return out;
  }

  std::filesystem::path dir_;
  core::SettingsStore settings_;
  LayoutEvents events_;
};

}  // namespace vmbgrid::testing
