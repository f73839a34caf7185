#include "apps/cli/table_printer.h"

#include <algorithm>
#include <cstdio>

namespace vmbgrid::cli {

size_t DisplayWidth(const std::string& utf8) {
  size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

namespace {

std::string Hex(unsigned value, int digits, const char* prefix) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%s%0*x", prefix, digits, value);
  return buffer;
}

// Length of the UTF-8 sequence starting at text[i] and its code point; 0 when the
// bytes there are no well-formed sequence.
size_t DecodeAt(const std::string& text, size_t i, unsigned& cp) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned b = byte(i);
  size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
  if (n == 0 || i + n > text.size()) return 0;
  cp = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
  for (size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  const unsigned least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

bool IsControl(unsigned cp) {
  return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F) || (cp >= 0x202A && cp <= 0x202E) ||
         (cp >= 0x2066 && cp <= 0x2069);
}

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

std::string Visible(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    unsigned cp = 0;
    const size_t n = DecodeAt(text, i, cp);
    if (n == 0) {
      out += Hex(static_cast<unsigned char>(text[i]), 2, "\\x");
      ++i;
      continue;
    }
    if (!IsControl(cp)) {
      out.append(text, i, n);
    } else if (cp == '\t') {
      out += "\\t";
    } else if (cp == '\n') {
      out += "\\n";
    } else if (cp == '\r') {
      out += "\\r";
    } else {
      out += cp < 0x80 ? Hex(cp, 2, "\\x") : Hex(cp, 4, "\\u");
    }
    i += n;
  }
  return out;
}

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
