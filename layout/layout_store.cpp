#include "layout/layout_store.h"

#include <exception>

#include "core/settings_store.h"
#include "core/strings.h"
#include "grid/vmgrid_events.h"
#include "host/error.h"
#include "layout/layout_names.h"
#include "model/enums.h"
#include "model/grid_controller.h"
#include "search/grid_interaction.h"
#include "search/search_row.h"
#include "search/sum_row.h"

namespace vmbgrid::layout {

bool IsAdmin(std::string_view user) {
  if (user.size() != 5) return false;
  std::string upper(user);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper == "ADMIN";
}

std::string StandardRefusal(bool deleting) {
  return std::string(
             "Die Spalteneinstellung „Standard“ gilt für alle Benutzer; nur der "
             "Benutzer ADMIN kann sie ") +
         (deleting ? "löschen." : "speichern.");
}

std::string StandardRefusalFor(GridController& grid, bool deleting) {
  std::shared_ptr<Connection> c = grid.Connection();
  StoreRules* rules = c && c->State() == adStateOpen ? c->Store() : nullptr;
  if (!rules) return IsAdmin(grid.user()) ? "" : StandardRefusal(deleting);
  try {
    return rules->WriteRefusal(kStandardOwner);
  } catch (const std::exception& e) {
    return e.what();
  }
}

std::string RefusalLine(const std::exception& e) {
  auto* v = dynamic_cast<const VMError*>(&e);
  if (!v || v->Number() != errc::kOperationNotAllowed || v->Description().empty()) return "";
  return "\r\n" + v->Description();
}

std::string LayoutKey(const GridController& grid) {
  return grid.SaveMode() == VelmGRX ? grid.LayoutFileBaseName() : grid.mainlayout();
}

namespace {

// Puts the three names a temporary load changes back when it ends, however it ends.
class RememberedNames {
 public:
  explicit RememberedNames(GridController& g)
      : g_(g), layout_(g.layout()), mainlayout_(g.mainlayout()), saveMode_(g.SaveMode()) {}
  ~RememberedNames() {
    if (armed_) Restore();
  }
  RememberedNames(const RememberedNames&) = delete;
  RememberedNames& operator=(const RememberedNames&) = delete;
  void Arm() { armed_ = true; }
  void Restore() {
    g_.SetLayoutName(layout_);
    g_.mainlayout(mainlayout_);
    g_.SaveMode(saveMode_);
  }
  int32_t SaveMode() const { return saveMode_; }

 private:
  GridController& g_;
  std::string layout_, mainlayout_;
  int32_t saveMode_;
  bool armed_ = false;
};

// The column chooser's rule for every way a layout arrives (layout file, database,
// a record written by hand): the grid keeps at least one column to see. When the
// layout hides them all, the first column in display order that is no key column
// shows again (a key column only when there is nothing else).
void KeepAColumnVisible(GridControl& grid, const VMGridFields& keys) {
  GridColumn* first = nullptr;
  GridColumn* firstOther = nullptr;
  for (int i = 0; i < grid.ColumnCount(); ++i) {
    GridColumn& col = grid.Column(i);
    if (col.Visible()) return;
    auto before = [&col](GridColumn* c) { return c == nullptr || col.Order() < c->Order(); };
    if (before(first)) first = &col;
    if (!keys.Contains(col.DataField()) && before(firstOther)) firstOther = &col;
  }
  if (GridColumn* shown = firstOther ? firstOther : first) shown->Visible(true);
}

}  // namespace

// ---------------------------------------------------------------- start-up

std::string LayoutStore::StartLayoutName() {
  owner_.IsTempLayout(true);
  tempEntryExists_ = true;
  const std::string key = LayoutKey(owner_);
  const core::SettingsStore& store = owner_.Settings();
  std::string name = store.ReadSetting(kLayoutSection, key + kTempSuffix, owner_.user(), "", "");
  if (name.empty()) {
    owner_.IsTempLayout(false);
    tempEntryExists_ = false;
    name = store.ReadSetting(kLayoutSection, key, owner_.user(), kStandardOwner, kStandardLayout);
  }
  return name;
}

bool LayoutStore::LoadStartLayout() {
  owner_.SetLayoutName(StartLayoutName());
  return LoadLayout(false, owner_.IsTempLayout());
}

bool LayoutStore::LoadAndApply(const std::string& name) {
  owner_.SetLayoutName(name);
  return LoadLayout(false, false);
}

// ---------------------------------------------------------------- loading

bool LayoutStore::LoadLayout(bool alignSatellites, bool temporary) {
  GridControl* grid = owner_.grid();
  RememberedNames remembered(owner_);
  owner_.IsTempLayout(temporary);
  if (temporary) remembered.Arm();
  try {
    if (temporary) {
      const std::string base =
          remembered.SaveMode() == velmDB ? owner_.mainlayout() : owner_.LayoutFileBaseName();
      owner_.SaveMode(velmDB);
      owner_.mainlayout(base + kTempSuffix);
      owner_.SetLayoutName(kTempLayout);
    }
    if (!owner_.layout().empty()) {
      if (owner_.SaveMode() == VelmGRX) {
        owner_.Events().BeforeLayoutLoad(owner_.layout());
        LoadLayoutFromFile();
        owner_.Events().AfterLayoutLoad(owner_.layout());
      } else if (owner_.SaveMode() == velmDB) {
        owner_.Events().BeforeLayoutLoad(owner_.layout());
        if (!database_.LoadLayoutFromDatabase()) {
          remembered.Restore();
          return false;
        }
        owner_.Events().AfterLayoutLoad(owner_.layout());
      }
      if (grid) KeepAColumnVisible(*grid, owner_.PrimaryKeyRestrictions());
      // Whatever was read (or nothing, for another mode): the fields show what
      // the grid shows.
      VMGridFields& fields = owner_.GridFields();
      for (const auto& f : fields) f->visible(false);
      if (grid) {
        for (int i = 0; i < grid->ColumnCount(); ++i) {
          GridColumn& col = grid->Column(i);
          if (auto f = fields.Find(col.DataField())) f->visible(col.Visible());
        }
      }
      owner_.ApplyValueTranslation();
      // The lines follow every layout, not only those loaded from the menu: a layout
      // may bring other columns at an index, and a sum line left with the old ones
      // showed a total under another column, in its format.
      owner_.Interaction().FollowColumns();
      if (alignSatellites) owner_.SumRowState().FitSumRow();
    }
  } catch (const std::exception&) {
    return false;  // the remembered names come back when temporary
  }
  if (temporary) remembered.Restore();
  owner_.SearchRowState().ComputeLastColumn();
  return true;
}

void LayoutStore::LoadLayoutFromFile() {
  GridControl* grid = owner_.grid();
  if (!grid) throw VMError(errc::kObjectRequired, "VMBGrid", "Es ist keine Tabelle zugeordnet.");
  grid->LayoutName(owner_.layout());
  grid->LoadLayout();
}

// ---------------------------------------------------------------- saving, deleting

bool LayoutStore::SaveLayout(const std::string& name) {
  // The layout dialog refills its list from the store afterwards.
  if (owner_.SaveMode() == velmDB) return database_.SaveLayoutToDatabase(name);
  if (owner_.SaveMode() == VelmGRX) return SaveLayoutToFile(name);
  return false;
}

bool LayoutStore::SaveLayoutToFile(const std::string& name) {
  // An empty name saves nothing and keeps the current layout name, so that the
  // last layout in use is still recorded at shutdown.
  if (name.empty()) return false;
  const std::string old = owner_.layout();
  owner_.SetLayoutName(name);
  if (owner_.layout() == kStandardLayout && !IsAdmin(owner_.user())) {
    owner_.SetLayoutName(old);
    owner_.ShowMessage(StandardRefusal(false));
    return false;
  }
  try {
    GridControl* grid = owner_.grid();
    if (!grid) throw VMError(errc::kObjectRequired, "VMBGrid", "Es ist keine Tabelle zugeordnet.");
    owner_.Events().BeforeLayoutSave(owner_.layout());
    grid->AddLayout(owner_.layout());
    owner_.IsTempLayout(false);
    owner_.Events().AfterLayoutSave(owner_.layout());
  } catch (const std::exception&) {
    owner_.SetLayoutName(old);
    owner_.ShowMessage("Fehler beim Speichern des Layouts " + name + ".");
    return false;
  }
  return true;
}

bool LayoutStore::DeleteLayout(const std::string& name) {
  if (name.empty()) return false;
  std::string user = owner_.user();
  if (core::EqualsNoCase(name, kStandardLayout)) {
    const std::string refused = owner_.SaveMode() == velmDB
                                    ? StandardRefusalFor(owner_, true)
                                    : (IsAdmin(owner_.user()) ? "" : StandardRefusal(true));
    if (!refused.empty()) {
      owner_.ShowMessage(refused);
      return false;
    }
    user = kStandardOwner;
  }
  try {
    if (owner_.SaveMode() == VelmGRX) {
      GridControl* grid = owner_.grid();
      if (!grid) {
        throw VMError(errc::kObjectRequired, "VMBGrid", "Es ist keine Tabelle zugeordnet.");
      }
      grid->RemoveLayout(name);
    } else if (owner_.SaveMode() == velmDB) {
      database_.DeleteLayoutFromDatabase(name, user);
    }
    if (owner_.layout() == name) owner_.SetLayoutName("");
  } catch (const std::exception& e) {
    owner_.ShowMessage("Fehler beim Löschen des Layout " + name + "." + RefusalLine(e));
    return false;
  }
  return true;
}

std::vector<std::string> LayoutStore::FileLayoutNames() const {
  GridControl* grid = owner_.grid();
  if (!grid) return {};
  try {
    return grid->LayoutNames();
  } catch (const std::exception&) {
    return {};
  }
}

// ---------------------------------------------------------------- shutdown

void LayoutStore::PrepareTempLayoutNames() {
  owner_.mainlayout(LayoutKey(owner_) + kTempSuffix);
  owner_.SetLayoutName(kTempLayout);
}

// Where the server decides who writes what, an owner this login may not write
// (no user named, another login's name) has no temporary layout to keep: the
// store's functions would refuse each call, and the server log would fill with
// refusals at every end of a window.
namespace {
bool ServerRefusesOwner(GridController& grid, const std::string& owner) {
  std::shared_ptr<Connection> c = grid.Connection();
  StoreRules* rules = c && c->State() == adStateOpen ? c->Store() : nullptr;
  if (!rules) return false;
  try {
    return !rules->WriteRefusal(owner).empty();
  } catch (const std::exception&) {
    return true;  // the server is not reachable: nothing could be written anyway
  }
}
}  // namespace

void LayoutStore::SaveLayoutState() {
  const std::string key = LayoutKey(owner_);
  core::SettingsStore& store = owner_.Settings();
  const std::string user = owner_.user();
  if (ServerRefusesOwner(owner_, user)) return;
  // Each step on its own: one that fails must not keep the others from running.
  if (owner_.IsTempLayout()) {
    bool saved = false;
    try {
      PrepareTempLayoutNames();
      database_.SaveTempLayout();
      saved = true;
    } catch (const std::exception&) {
    }
    // The entry would point the next start at a layout that was never written.
    if (saved && !tempEntryExists_) {
      try {
        store.WriteSetting(kLayoutSection, owner_.mainlayout(), owner_.layout(), user);
      } catch (const std::exception&) {
      }
    }
    return;
  }
  try {
    database_.DeleteTempLayout();
  } catch (const std::exception&) {
  }
  if (tempEntryExists_) {
    try {
      store.DeleteSetting(kLayoutSection, key + kTempSuffix, user);
    } catch (const std::exception&) {
    }
  }
  if (!owner_.layout().empty()) {
    try {
      // Only when the next start would pick another layout: a user who only
      // looked leaves the database as it was.
      const std::string next =
          store.ReadSetting(kLayoutSection, key, user, kStandardOwner, kStandardLayout);
      if (next != owner_.layout()) store.WriteSetting(kLayoutSection, key, owner_.layout(), user);
    } catch (const std::exception&) {
    }
  }
}

}  // namespace vmbgrid::layout
