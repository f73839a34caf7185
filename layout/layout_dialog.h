// The layout dialog "Tabelleneinstellungen": saves and deletes named layouts in
// the store SaveMode selects and edits the record limit. It is the same form that
// carries the table menu; the controller opens it through the grid's message 2.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vmbgrid {
class GridController;
class DialogView;
}  // namespace vmbgrid

namespace vmbgrid::layout {

// The record-limit text as a 32-bit whole number (blanks around it allowed);
// nothing for text that is no such number, also for empty text.
std::optional<int32_t> ParseRecordLimit(const std::string& text);

// Why a name cannot be stored as a layout name; "" when it can. An empty name is
// not refused here: saving it does nothing, as it always did.
std::string LayoutNameProblem(const std::string& name);

inline constexpr size_t kMaxLayoutNameLength = 100;

// The saved layouts the store SaveMode selects lists for this grid and user, in
// the store's order: the grid's layout file, or the database rows of the user
// with the shared "Standard". Empty when the store cannot be read.
std::vector<std::string> SavedLayoutNames(GridController& owner);

class LayoutDialog {
 public:
  explicit LayoutDialog(GridController& owner) : owner_(owner) {}

  // The handler of message 2: fills the form and shows it modally.
  void Open(DialogView& form);

  // The form's events, also for hosts that drive the dialog themselves.
  void SaveLayout(DialogView& form, const std::string& name);
  void DeleteLayout(DialogView& form, const std::string& name);
  void MaxRecordsChanged(int32_t newvalue);

 private:
  void FillCombo(DialogView& form);
  void OnCommand(DialogView& form, const std::string& control);

  GridController& owner_;
};

}  // namespace vmbgrid::layout
