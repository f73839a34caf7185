// The filter dialog "Filter": stores the current search under a name, replaces a
// stored one, deletes one. It is the same form that carries the filter menu; the
// controller opens it through the grid's message 4.
#pragma once

#include <string>

namespace vmbgrid {
class GridController;
class DialogView;
class VMGridFields;
}  // namespace vmbgrid

namespace vmbgrid::queries {

class QueryStore;

class QueryDialog {
 public:
  QueryDialog(GridController& owner, QueryStore& store) : owner_(owner), store_(store) {}

  // The handler of message 4: fills the list from the queries as last loaded (or
  // loads them when none were) and shows the form modally.
  void Open(DialogView& form);
  void FillQueryCombo(DialogView& form, const VMGridFields& queries);

  // The form's requests: store or delete under the combo box's text, then reload
  // the queries and refill the list. A failed save closes the form with
  // "Fehler beim Speichern des Filters.".
  void SaveRequest(DialogView& form, const std::string& name);
  void DeleteRequest(DialogView& form, const std::string& name);

 private:
  void Refill(DialogView& form);
  void OnCommand(DialogView& form, const std::string& control);

  GridController& owner_;
  QueryStore& store_;
};

}  // namespace vmbgrid::queries
