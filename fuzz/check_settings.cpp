// Settings written and read back. Input: section, key, user and value separated by
// "\n" (the value is the rest, newlines included).
#include <memory>

#include "adapters/sqlite/sqlite_provider.h"
#include "core/settings_store.h"
#include "data/provider.h"
#include "fuzz/checks.h"
#include "host/error.h"
#include "host/platform.h"

namespace vmbgrid::fuzz {

namespace {

// One in-memory database per process.
core::SettingsStore& Store() {
  static core::SettingsStore* store = [] {
    sqlite::Register();
    auto connection = data::DefaultDataAccess().CreateConnection();
    connection->Open("Provider=SQLite;Data Source=:memory:");
    static core::SettingsStore s;
    s.SetConnection(connection);
    return &s;
  }();
  return *store;
}

}  // namespace

void CheckSettings(const uint8_t* data, size_t size) {
  // The store runs its statements through the installed data access.
  Platform::Install(&data::DefaultDataAccess());

  Input in(data, size);
  const std::string section = in.Until('\n');
  const std::string key = in.Until('\n');
  const std::string user = in.Until('\n');
  const std::string value = in.Rest();
  const std::string_view input = in.All();

  core::SettingsStore& store = Store();
  const std::string fallback = "\x01kein Wert";
  try {
    store.WriteSetting(section, key, value, user);
  } catch (const VMError& e) {
    RequireMessage(e.Description(), input);
    Require(store.ReadSetting(section, key, user, "", fallback) == fallback,
            "a refused write left a value", input);
    return;
  }
  Require(store.ReadSetting(section, key, user, "", fallback) == value,
          "the value read back differs from the value written", input);
  bool listed = false;
  for (const core::SettingRow& row : store.ReadSettingsSection(section, user))
    listed = listed || (row.Schluessel == key && row.wert == value);
  Require(listed, "the section does not list the value written", input);
  // The shared default is found under the fallback owner, and only there.
  if (user != "Standard") {
    Require(store.ReadSetting(section, key, "Standard", "", fallback) == fallback,
            "another owner sees the value", input);
  }
  store.DeleteSetting(section, key, user);
  Require(store.ReadSetting(section, key, user, "", fallback) == fallback,
          "a deleted value is still there", input);
}

}  // namespace vmbgrid::fuzz
