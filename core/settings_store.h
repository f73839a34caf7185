// Settings store on the application database: per-user values under a section and
// a key, with the pseudo-user "Standard" owning shared defaults. The table is created
// on first write; every value goes through bound parameters.
//
// Table (created by the first WriteSetting on a database file; on a server the
// administrator sets it up, see the connection's StoreRules):
//   vmgrid_settings(section VARCHAR(255), schluessel VARCHAR(255), owner VARCHAR(255),
//                   wert TEXT, PRIMARY KEY (section, schluessel, owner))
// Sections, keys and owners compare exactly (letter case counts). Where the server
// has rules for the store, a store it does not offer this login reads as empty, and
// a write it would refuse raises errc::kOperationNotAllowed with its reason.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/data_access.h"

namespace vmbgrid::core {

struct SettingRow {
  std::string Schluessel;  // key
  std::string wert;        // value
};

class SettingsStore {
 public:
  void SetConnection(std::shared_ptr<Connection> connection) {
    connection_ = std::move(connection);
  }
  std::shared_ptr<Connection> GetConnection() const { return connection_; }

  // The user's value; else the fallback owner's (when given); else the default.
  // Never raises: a missing table or connection gives the default.
  std::string ReadSetting(const std::string& section, const std::string& key,
                          const std::string& user, const std::string& fallbackOwner,
                          const std::string& defaultValue) const;
  // Rows of one owner's section, ordered by key. Never raises: a missing table or
  // connection gives no rows.
  std::vector<SettingRow> ReadSettingsSection(const std::string& section,
                                              const std::string& owner) const;
  // Writing and deleting raise the data source's errors (a VMError); writing
  // without a connection raises errc::kObjectRequired.
  void WriteSetting(const std::string& section, const std::string& key, const std::string& value,
                    const std::string& user);
  void DeleteSetting(const std::string& section, const std::string& key, const std::string& user);

 private:
  std::shared_ptr<Connection> connection_;
};

}  // namespace vmbgrid::core
