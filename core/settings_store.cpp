// Settings store on the application database. Every statement is fixed text with
// bound parameters: sections, keys, owners and values (layout names, saved query
// texts typed by users) never become part of the SQL.
#include "core/settings_store.h"

#include <exception>

#include "host/error.h"
#include "host/platform.h"

namespace vmbgrid::core {

namespace {

constexpr const char* kSource = "VMBGrid";

// Written so that SQLite and PostgreSQL both accept it.
constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS vmgrid_settings ("
    "section VARCHAR(255) NOT NULL, "
    "schluessel VARCHAR(255) NOT NULL, "
    "owner VARCHAR(255) NOT NULL, "
    "wert TEXT, "
    "PRIMARY KEY (section, schluessel, owner))";

// Providers that cannot tell a missing table from other rejected statements
// report the latter.
bool IsMissingTable(const VMError& e) {
  return e.Number() == errc::kNoSuchTable || e.Number() == errc::kRejectedStatement;
}

Parameter TextParameter(const char* name, const std::string& value) {
  Parameter p;
  p.name = name;
  p.type = adVarWChar;
  p.direction = adParamInput;
  p.size = static_cast<int32_t>(value.size() > 0 ? value.size() : 1);
  p.value = Variant(value);
  return p;
}

std::shared_ptr<Command> NewCommand(const std::shared_ptr<Connection>& connection,
                                    const char* text) {
  std::shared_ptr<Command> cmd = Platform::Data().CreateCommand();
  cmd->ActiveConnection(connection);
  cmd->CommandType(adCmdText);
  cmd->CommandTimeout(0);
  cmd->Prepared(false);
  cmd->CommandText(text);
  return cmd;
}

std::shared_ptr<Connection> Required(const std::shared_ptr<Connection>& connection) {
  if (!connection) {
    throw VMError(errc::kObjectRequired, kSource,
                  "Für den Einstellungsspeicher ist keine Datenbankverbindung gesetzt.");
  }
  return connection;
}

// Where the server keeps the store and its rules: nothing is read from a store
// that is not there or not open to this login (no statement the server would
// refuse), so the defaults apply.
bool Readable(const std::shared_ptr<Connection>& connection) {
  StoreRules* rules = connection->State() == adStateOpen ? connection->Store() : nullptr;
  return !rules || rules->Problem().empty();
}

// A write the server would refuse is refused here with its reason: a row that row
// security hides would otherwise be "deleted" without a word.
void CheckWritable(const std::shared_ptr<Connection>& connection, const std::string& owner) {
  StoreRules* rules = connection->State() == adStateOpen ? connection->Store() : nullptr;
  if (!rules) return;
  const std::string refusal = rules->WriteRefusal(owner);
  if (!refusal.empty()) throw VMError(errc::kOperationNotAllowed, kSource, refusal);
}

// The owner's stored value; false when there is none.
bool Lookup(const std::shared_ptr<Connection>& connection, const std::string& section,
            const std::string& key, const std::string& owner, std::string& out) {
  auto cmd = NewCommand(connection,
                        "SELECT wert FROM vmgrid_settings "
                        "WHERE section = ? AND schluessel = ? AND owner = ?");
  cmd->AppendParameter(TextParameter("@section", section));
  cmd->AppendParameter(TextParameter("@schluessel", key));
  cmd->AppendParameter(TextParameter("@owner", owner));
  std::shared_ptr<Recordset> rs = cmd->Execute();
  if (!rs || rs->State() == adStateClosed || rs->IsEOF()) return false;
  out = rs->Value(0).ToTextOrEmpty();
  rs->Close();
  return true;
}

}  // namespace

std::string SettingsStore::ReadSetting(const std::string& section, const std::string& key,
                                       const std::string& user, const std::string& fallbackOwner,
                                       const std::string& defaultValue) const {
  if (!connection_) return defaultValue;
  try {
    if (!Readable(connection_)) return defaultValue;
    std::string value;
    if (Lookup(connection_, section, key, user, value)) return value;
    if (!fallbackOwner.empty() && fallbackOwner != user &&
        Lookup(connection_, section, key, fallbackOwner, value))
      return value;
  } catch (const VMError&) {
    // No table yet (nothing was ever written), or the database is not reachable:
    // the caller works with its default.
  } catch (const std::exception&) {
  }
  return defaultValue;
}

std::vector<SettingRow> SettingsStore::ReadSettingsSection(const std::string& section,
                                                           const std::string& owner) const {
  std::vector<SettingRow> rows;
  if (!connection_) return rows;
  try {
    if (!Readable(connection_)) return rows;
    auto cmd = NewCommand(connection_,
                          "SELECT schluessel, wert FROM vmgrid_settings "
                          "WHERE section = ? AND owner = ? ORDER BY schluessel");
    cmd->AppendParameter(TextParameter("@section", section));
    cmd->AppendParameter(TextParameter("@owner", owner));
    std::shared_ptr<Recordset> rs = cmd->Execute();
    if (!rs || rs->State() == adStateClosed) return rows;
    while (!rs->IsEOF()) {
      rows.push_back(SettingRow{rs->Value(0).ToTextOrEmpty(), rs->Value(1).ToTextOrEmpty()});
      rs->MoveNext();
    }
    rs->Close();
  } catch (const VMError&) {
    rows.clear();  // no table yet: an empty section
  } catch (const std::exception&) {
    rows.clear();
  }
  return rows;
}

void SettingsStore::WriteSetting(const std::string& section, const std::string& key,
                                 const std::string& value, const std::string& user) {
  auto connection = Required(connection_);
  CheckWritable(connection, user);
  // Update or insert, each a single statement of its own, so that no step can
  // lose the value already stored.
  std::string existing;
  bool found = false;
  try {
    found = Lookup(connection, section, key, user, existing);
  } catch (const VMError& e) {
    if (!IsMissingTable(e)) throw;
    connection->Execute(kCreateTable);  // first write on this database
  }
  auto update = [&] {
    auto cmd = NewCommand(connection,
                          "UPDATE vmgrid_settings SET wert = ? "
                          "WHERE section = ? AND schluessel = ? AND owner = ?");
    cmd->AppendParameter(TextParameter("@wert", value));
    cmd->AppendParameter(TextParameter("@section", section));
    cmd->AppendParameter(TextParameter("@schluessel", key));
    cmd->AppendParameter(TextParameter("@owner", user));
    cmd->Execute();
  };
  if (found) {
    if (existing != value) update();
    return;
  }
  auto insert = NewCommand(connection,
                           "INSERT INTO vmgrid_settings (section, schluessel, owner, wert) "
                           "VALUES (?, ?, ?, ?)");
  insert->AppendParameter(TextParameter("@section", section));
  insert->AppendParameter(TextParameter("@schluessel", key));
  insert->AppendParameter(TextParameter("@owner", user));
  insert->AppendParameter(TextParameter("@wert", value));
  try {
    insert->Execute();
  } catch (const VMError& e) {
    // Another connection stored the same entry meanwhile: ours replaces it.
    if (e.Number() != errc::kIntegrityViolation) throw;
    update();
    // Any other constraint (a check, a trigger) refused the row: the update then
    // finds none, and the write must not pass for done.
    std::string stored;
    if (!Lookup(connection, section, key, user, stored) || stored != value) throw;
  }
}

void SettingsStore::DeleteSetting(const std::string& section, const std::string& key,
                                  const std::string& user) {
  auto connection = Required(connection_);
  CheckWritable(connection, user);
  auto cmd = NewCommand(connection,
                        "DELETE FROM vmgrid_settings "
                        "WHERE section = ? AND schluessel = ? AND owner = ?");
  cmd->AppendParameter(TextParameter("@section", section));
  cmd->AppendParameter(TextParameter("@schluessel", key));
  cmd->AppendParameter(TextParameter("@owner", user));
  try {
    cmd->Execute();
  } catch (const VMError& e) {
    // Without the table there is nothing to delete.
    if (!IsMissingTable(e)) throw;
  }
}

}  // namespace vmbgrid::core
