#include "apps/cli/table_printer.h"

#include <algorithm>
#include <cstdio>

#include "core/strings.h"

namespace vmbgrid::cli {

size_t DisplayWidth(const std::string& utf8) {
  size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

namespace {

void PrintRow(std::ostream& out, const std::vector<std::string>& cells,
              const std::vector<size_t>& widths, const std::vector<bool>& right) {
  for (size_t i = 0; i < widths.size(); ++i) {
    std::string cell = i < cells.size() ? cells[i] : "";
    std::string pad(widths[i] - std::min(widths[i], DisplayWidth(cell)), ' ');
    if (i > 0) out << "  ";
    bool r = i < right.size() && right[i];
    out << (r ? pad + cell : (i + 1 == widths.size() ? cell : cell + pad));
  }
  out << '\n';
}
}  // namespace

std::string Visible(const std::string& text) { return core::Visible(text); }

std::string VisibleLines(const std::string& text) {
  std::string out;
  size_t start = 0;
  while (true) {
    size_t end = text.find('\n', start);
    std::string line =
        text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out += Visible(line);
    if (end == std::string::npos) break;
    out += '\n';
    start = end + 1;
  }
  return out;
}

void PrintTable(std::ostream& out, const TextTable& table) {
  std::vector<size_t> widths(table.header.size(), 0);
  auto widen = [&widths](const std::vector<std::string>& cells) {
    for (size_t i = 0; i < cells.size() && i < widths.size(); ++i)
      widths[i] = std::max(widths[i], DisplayWidth(cells[i]));
  };
  widen(table.header);
  for (const auto& r : table.rows) widen(r);
  widen(table.footer);
  PrintRow(out, table.header, widths, {});
  size_t total = 0;
  for (size_t w : widths) total += w;
  total += widths.empty() ? 0 : 2 * (widths.size() - 1);
  std::string rule;
  for (size_t i = 0; i < total; ++i) rule += "─";
  out << rule << '\n';
  for (const auto& r : table.rows) PrintRow(out, r, widths, table.rightAligned);
  if (!table.footer.empty()) {
    out << rule << '\n';
    PrintRow(out, table.footer, widths, table.rightAligned);
  }
}

}  // namespace vmbgrid::cli
