#include "layout/option_store.h"

#include <charconv>
#include <optional>

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
constexpr int32_t kDefaultMaxRecords = 1000;

// A stored option is a whole number in decimal ("-1", "0", "500"), blanks around it
// allowed; anything else (a word, "1e12", "1,5", a number beyond 32 bits) is none.
std::optional<int32_t> StoredNumber(const std::string& text) {
  const std::string t = core::Trim(text);
  if (t.empty()) return std::nullopt;
  const char* first = t.data() + (t[0] == '+' ? 1 : 0);
  int32_t value = 0;
  auto [end, ec] = std::from_chars(first, t.data() + t.size(), value);
  if (ec != std::errc() || end != t.data() + t.size()) return std::nullopt;
  return value;
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
  // Each option on its own: a stored text that is no whole number, or a store that
  // fails on one key, costs that option only. A switch then keeps its value; the
  // record limit falls back to its default, since a limit that is no number must
  // not lift the limit (0 would load every row).
  bool all = true;
  auto read = [&](const char* key, const std::string& fallback) -> std::optional<int32_t> {
    try {
      const std::string v =
          store.ReadSetting(section, key, owner_.user(), kFallbackOwner, fallback);
      if (fallback.empty() && v.empty()) return std::nullopt;  // nothing stored
      if (auto n = StoredNumber(v)) return n;
    } catch (const std::exception&) {
    }
    all = false;
    return std::nullopt;
  };
  if (auto v = read(kRefreshOnLeaveColumn, "")) owner_.ApplyStoredRefreshOnLeaveColumn(*v != 0);
  if (auto v = read(kShowEmptyGrid, "")) owner_.ApplyStoredShowEmptyGrid(*v != 0);
  // A negative limit would give "TOP -n", a statement no data source takes.
  const std::optional<int32_t> limit = read(kMaxRecords, std::to_string(kDefaultMaxRecords));
  if (limit && *limit < 0) all = false;
  owner_.MaxRecords(limit && *limit >= 0 ? *limit : kDefaultMaxRecords);
  return all;
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
