// The parameter dialog: asks the user for the values of a saved query's
// placeholders. One labelled input per parameter, in the order of the parameter
// numbers; the kind of input (date, text, number, each single or as a from-to
// range, a list, a check box) comes from each parameter's value on entry.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/data_access.h"
#include "host/dialogs.h"

namespace vmbgrid {
class VMGridFields;
}

namespace vmbgrid::queries {

// The display format of a number input from its argument "places,decimals":
// "5,2" gives "#####,00", "7,0" gives "#######", "" gives "###.###.###.###".
// Empty for an argument that is no such pair (the input is then left out).
std::string NumberFormat(const std::string& argument);

class ParameterDialog {
 public:
  ParameterDialog(DialogView& form, VMGridFields& parameters)
      : form_(form), parameters_(parameters) {}

  // Drop-down lists are filled from the table through the connection.
  void Connection(std::shared_ptr<vmbgrid::Connection> connection) {
    connection_ = std::move(connection);
  }
  void tablename(std::string table) { tablename_ = std::move(table); }

  // Checks the numbering, builds the inputs and shows the form modally. After OK
  // every parameter's value holds what was entered ("" for nothing) and OK() is
  // true; after Cancel or closing every value keeps the input kind it had. A
  // question whose kind no input can be built for is said in a message, and the
  // form is not shown: false, as after Cancel, so the filter is not run without it.
  bool Run(const std::string& caption);
  bool OK() const { return ok_; }

  // What Run built, for views and tests.
  const std::vector<DialogInput>& Inputs() const { return inputs_; }

 private:
  bool CheckNumbering(std::vector<std::string>& positions) const;
  // False, with a message, when a question cannot be asked.
  bool BuildInputs(const std::vector<std::string>& positions);
  bool BuildRow(const std::string& fieldname, int position, int& top, int& tab);
  void WriteBack();

  DialogView& form_;
  VMGridFields& parameters_;
  std::shared_ptr<vmbgrid::Connection> connection_;
  std::string tablename_;
  std::vector<DialogInput> inputs_;
  std::vector<int> parts_;  // per input: single, "Von " or "Bis " part of a range
  bool ok_ = false;
};

}  // namespace vmbgrid::queries
