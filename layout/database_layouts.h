// Column layouts in the application database, through the two layout procedures
// ("aa_gridlayout": one header per grid key, layout name and owner;
// "aa_gridlayoutfield": one record per column). No SQL is written here: every call
// is a procedure command of the core database service.
//
// The shared layout "Standard" belongs to the owner "Standard". Every user may
// create it while none exists; only "ADMIN" (any letter case) replaces or deletes it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/data_access.h"

namespace vmbgrid {
class GridController;
}

namespace vmbgrid::layout {

inline constexpr const char* kLayoutProcedure = "aa_gridlayout";
inline constexpr const char* kLayoutFieldProcedure = "aa_gridlayoutfield";

class DatabaseLayouts {
 public:
  explicit DatabaseLayouts(GridController& owner) : owner_(owner) {}

  // Header id of (mainlayout, layout name, owner); 0 when there is none or the
  // lookup fails.
  int32_t FindLayoutId(const std::string& mainlayout, const std::string& name,
                       const std::string& user);
  // Of the controller's current mainlayout, layout and user.
  int32_t FindLayoutId();
  // The user's layouts of this grid (column "sublayout"), plus a local row
  // "Standard" when asked for, the user is not "Standard" and the shared layout
  // exists. A failed lookup gives the recordset as it is (possibly closed).
  std::shared_ptr<Recordset> ListLayouts(bool addStandard);
  bool StandardLayoutExists();

  // A header without field records for (mainlayout, layout) of that owner; its id.
  int32_t CreateLayoutHeader(const std::string& user);
  // One record per grid column in column order; key columns are left out.
  void WriteLayoutFields(int32_t layoutid);

  // Stored sort of a field: 0 none, 1 ascending, 2 descending; its 1-based position.
  int32_t SortDirectionOf(const std::string& fieldname) const;
  int32_t SortPositionOf(const std::string& fieldname) const;
  // "ASC" 1, "DESC" 2, anything else 0 (exact comparison).
  static int32_t SortOrderCode(const std::string& text);
  bool IsKeyField(const std::string& fieldname) const;

  // The dialog's save in database mode: owner rules, events, the German message
  // on failure.
  // True when the layout was written.
  bool SaveLayoutToDatabase(const std::string& name);
  // Reads the current layout into the grid; false when there is none or it does not
  // fit the grid's fields on the first load. Raises when the grid refuses a change.
  bool LoadLayoutFromDatabase();
  // Deletes a layout of that owner (the caller applies the owner rules); raises.
  void DeleteLayoutFromDatabase(const std::string& name, const std::string& user);
  // The temporary layout of this grid and user; raises.
  void DeleteTempLayout();
  // Writes the grid's columns under the current (already temporary) names.
  void SaveTempLayout();

  // The procedure command of the last operation.
  std::shared_ptr<Command> CurrentCommand() const { return command_; }

 private:
  std::shared_ptr<Command> NewCommand(const char* procedure, int16_t action);
  std::shared_ptr<Recordset> OpenOn(const std::shared_ptr<Command>& command);
  std::shared_ptr<Recordset> FieldRecords(int32_t layoutid, int16_t action);
  std::string StoredFieldName(const std::string& dataField) const;

  GridController& owner_;
  std::shared_ptr<Command> command_;
};

}  // namespace vmbgrid::layout
