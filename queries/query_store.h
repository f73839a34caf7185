// Saved queries: named copies of the search line's criteria per grid and user,
// kept in the settings store under "Queries/" and the grid's layout key. Queries of
// the owner "Standard" are offered to every user besides the user's own.
#pragma once

#include <string>
#include <vector>

namespace vmbgrid {
class GridController;
}

namespace vmbgrid::queries {

// A text with a parameter placeholder: a "~" directly followed by "=".
bool IsParameterQuery(const std::string& filterText);

// Why a name cannot be stored as a query name; "" when it can. An empty name is not
// refused here: the dialog does nothing with it.
std::string QueryNameProblem(const std::string& name);

inline constexpr size_t kMaxQueryNameLength = 100;

class QueryStore {
 public:
  explicit QueryStore(GridController& owner) : owner_(owner) {}

  // "Queries/" and the layout key: the layout file's base name in file mode, the
  // main layout in database mode; "" in any other mode.
  std::string Section() const;

  // Rebuilds the controller's queries collection from the store: the user's own,
  // then those of "Standard". Raises a VMError in a mode without a query store.
  void LoadQueries();
  // Stores the current search under the name, as "fieldname~value!" for every
  // restriction with a value that is not fixed, in collection order
  // ("Name~Mai*!Ort~ODER Bonn!") (an existing query of that name is
  // replaced). False when nothing was stored: an empty search or a mode without a
  // query store. Raises the store's errors, and a VMError with a German message for
  // a search the stored form cannot carry.
  bool SaveQuery(const std::string& name);
  // Why the current search cannot be stored ("" when it can): a criterion holding
  // "!", which the stored form uses to end a criterion.
  std::string SearchProblem() const;
  // Deletes the user's own query of that name; one of "Standard" stays.
  void DeleteQuery(const std::string& name);

 private:
  GridController& owner_;
};

}  // namespace vmbgrid::queries
