// VMFieldInputGrid: a grid control as a small input form, one row per named value
// (caption, editable value). No database is involved: Refresh shows the fields,
// the user types, Update copies the typed values back into the fields.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/data_access.h"
#include "host/grid_control.h"
#include "host/variant.h"
#include "host/xarray.h"
#include "model/fields.h"

namespace vmbgrid {

class VMFieldInputGrid : private GridListener {
 public:
  static constexpr const char* kDescription =
      "Einfache Eingabetabelle um Daten tabellarisch zu erfassen ";
  // Posted after Refresh, so that the columns are fitted once the grid shows the rows.
  static constexpr int kAutoSizeMessage = 24415;

  VMFieldInputGrid() = default;
  ~VMFieldInputGrid() override;
  VMFieldInputGrid(const VMFieldInputGrid&) = delete;
  VMFieldInputGrid& operator=(const VMFieldInputGrid&) = delete;

  // Must come first; pDmy is not used. Starts with no fields and an empty array.
  void Init(int32_t pDmy, GridControl* grid);

  bool AutoSize() const { return autoSize_; }
  void AutoSize(bool on) { autoSize_ = on; }
  // Raises before Init.
  VMGridFields& Fields();

  // Appends a field (caption: friendlyname, else the name); a name already present
  // changes nothing.
  void AddField(const std::string& name, const std::string& friendlyname = "",
                const Variant& value = Variant(), int32_t datatype = adVarChar, bool Hidden = false,
                const std::string& FormatString = "");

  // Shows every field that is not hidden, in order.
  void Refresh();
  // Commits the pending cell edit and writes the values shown back into the fields,
  // converted to each field's type. A value that does not fit its type writes
  // nothing: the user sees why, the cursor goes to that row, and the result is false.
  // A row whose field was removed since Refresh raises the collection's error.
  bool Update();

  // The bound array: rows 1..n, column 0 caption, 1 value, 2 field name.
  std::shared_ptr<const XArray> Data() const { return data_; }

 private:
  void PostEvent(GridControl& g, int messageId) override;
  void RequireInit() const;

  GridControl* grid_ = nullptr;
  std::shared_ptr<VMGridFields> fields_;
  std::shared_ptr<XArray> data_;
  // The field of each row as Refresh wrote it; the name cell in the grid is the
  // user's to type over and must not redirect a value to another field.
  std::vector<std::string> rowFields_;
  bool autoSize_ = true;
};

}  // namespace vmbgrid
