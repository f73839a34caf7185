// Aligned text tables for the command-line host (widths by UTF-8 code points).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vmbgrid::cli {

struct TextTable {
  std::vector<std::string> header;
  std::vector<bool> rightAligned;
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> footer;  // the sum line, when there is one
};

void PrintTable(std::ostream& out, const TextTable& table);
size_t DisplayWidth(const std::string& utf8);

// The text as a terminal may show it (core::Visible).
std::string Visible(const std::string& text);
// Each line of a multi-line text made visible; the line breaks stay.
std::string VisibleLines(const std::string& text);

}  // namespace vmbgrid::cli
