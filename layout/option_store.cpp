#include "layout/option_store.h"

#include "core/settings_store.h"
#include "core/strings.h"
#include "host/error.h"
#include "model/grid_controller.h"

namespace vmbgrid::layout {

namespace {
constexpr const char* kRefreshOnLeaveColumn = "RefreshOnLeaveColumn";
constexpr const char* kShowEmptyGrid = "ShowEmptyGrid";
constexpr const char* kMaxRecords = "MaxRecords";
constexpr const char* kFallbackOwner = "Standard";

// A stored option is a whole number in decimal ("-1", "0", "500"); anything else
// raises, which ends the loading.
int32_t StoredNumber(const std::string& text) {
  double d = 0;
  if (!ParseNumber(text, d)) throw VMError(errc::kTypeMismatch, "VMBGrid", "Keine Zahl: " + text);
  return Variant(d).ToInt32();
}
}  // namespace

std::string OptionStore::Section() const {
  if (!owner_.grid()) return "";
  return core::SettingsSection(owner_.AppName(), owner_.FormName(), owner_.grid()->Name());
}

bool OptionStore::Load() {
  const std::string section = Section();
  if (section.empty()) return false;
  const core::SettingsStore& store = owner_.Settings();
  try {
    std::string v =
        store.ReadSetting(section, kRefreshOnLeaveColumn, owner_.user(), kFallbackOwner, "");
    if (!v.empty()) owner_.ApplyStoredRefreshOnLeaveColumn(StoredNumber(v) != 0);
    v = store.ReadSetting(section, kShowEmptyGrid, owner_.user(), kFallbackOwner, "");
    if (!v.empty()) owner_.ApplyStoredShowEmptyGrid(StoredNumber(v) != 0);
    v = store.ReadSetting(section, kMaxRecords, owner_.user(), kFallbackOwner, "1000");
    // A negative limit from the store would give "TOP -n", a statement no data source
    // takes; it is ignored like a negative value given to the property.
    owner_.MaxRecords(StoredNumber(v));
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

void OptionStore::Save() {
  if (!owner_.SettingsChanged()) return;
  const std::string section = Section();
  if (section.empty()) return;
  core::SettingsStore& store = owner_.Settings();
  store.WriteSetting(section, kRefreshOnLeaveColumn, owner_.RefreshOnLeaveColumn() ? "-1" : "0",
                     owner_.user());
  store.WriteSetting(section, kShowEmptyGrid, owner_.ShowEmptyGrid() ? "-1" : "0", owner_.user());
  store.WriteSetting(section, kMaxRecords, std::to_string(owner_.MaxRecords()), owner_.user());
  owner_.SettingsChanged(false);
}

}  // namespace vmbgrid::layout
