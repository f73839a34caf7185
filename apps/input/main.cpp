// vmbgrid-input: a host that lets the user edit three named values in the input
// table. Each line read from standard input is typed into the next row's value
// cell; the values are then written back and printed.
#include <iostream>
#include <string>

#include "adapters/headless/headless.h"
#include "grid/field_input_grid.h"

int main() {
  using namespace vmbgrid;
  auto& platform = InstallHeadlessPlatform();
  HeadlessGrid grid("grdEingabe");
  VMFieldInputGrid input;
  input.Init(0, &grid);
  input.AddField("Name", "Name des Kunden", Variant("Meier"));
  input.AddField("Menge", "Menge", Variant(int32_t{1}), adInteger);
  input.AddField("Liefertag", "Liefertag", Variant(), adDate);
  input.Refresh();
  std::string line;
  for (int32_t row = 1; row <= grid.RowCount() && std::getline(std::cin, line); ++row) {
    grid.Bookmark(Variant(row));
    grid.EditCell(1, line);
  }
  const bool written = input.Update();
  for (const auto& m : platform.messages.texts()) std::cerr << m << "\n";
  for (const auto& f : input.Fields())
    std::cout << f->caption << ": " << f->value.ToTextOrEmpty() << "\n";
  return written ? 0 : 1;
}
