#include "data/sort.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "data/text_rules.h"
#include "host/error.h"

namespace vmbgrid::data {
namespace {

// Below this many rows texts are compared directly; above it each row gets a rank
// from one ICU sort key, so the sort itself compares integers.
constexpr size_t kRankThreshold = 4096;

[[noreturn]] void Fail(std::string_view text, const std::string& reason) {
  throw VMError(errc::kInvalidArgument, "VMBGrid.Recordset",
                "Die Sortierung \"" + std::string(text) + "\" ist ungültig: " + reason + ".");
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool EqualsAsciiNoCase(std::string_view a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  return true;
}

int CompareDouble(double a, double b) {
  bool na = std::isnan(a), nb = std::isnan(b);
  if (na || nb) return na == nb ? 0 : (na ? -1 : 1);
  return a < b ? -1 : (b < a ? 1 : 0);
}

int CompareVariants(const Variant& a, const Variant& b) {
  bool na = a.IsNull() || a.IsEmpty(), nb = b.IsNull() || b.IsEmpty();
  if (na || nb) return na == nb ? 0 : (na ? -1 : 1);
  if (a.IsString() && b.IsString()) return CollateSort(a.StringRef(), b.StringRef());
  try {
    return Variant::Compare(a, b, true);
  } catch (const VMError&) {
    return 0;
  }
}

// Per key: how to compare two rows.
struct KeyPlan {
  const Column* col = nullptr;
  bool descending = false;
  bool ranked = false;
  std::vector<uint32_t> rank;  // by row id, when ranked
};

void BuildRanks(const Column& c, const std::vector<uint32_t>& rows, uint32_t rowCount,
                std::vector<uint32_t>& rank) {
  std::string keys;
  std::vector<uint32_t> start(rows.size() + 1);
  bool binary = c.presentation == Presentation::Binary;
  for (size_t i = 0; i < rows.size(); ++i) {
    start[i] = static_cast<uint32_t>(keys.size());
    uint32_t r = rows[i];
    if (c.IsNullAt(r)) continue;  // empty key: before every text
    keys.push_back('\1');         // so that an empty text stays after null
    if (binary)
      keys.append(c.TextAt(r));
    else
      AppendSortKey(c.TextAt(r), keys);
    if (keys.size() >= 0xFFFFFFF0u) {
      throw VMError(errc::kProviderFailure, "VMBGrid.Recordset",
                    "Die Daten sind zu umfangreich, um sortiert zu werden.");
    }
  }
  start[rows.size()] = static_cast<uint32_t>(keys.size());
  auto key = [&](size_t i) {
    return std::string_view(keys.data() + start[i], start[i + 1] - start[i]);
  };
  std::vector<uint32_t> order(rows.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
  std::sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) { return key(x) < key(y); });
  rank.assign(rowCount, 0);
  uint32_t next = 0;
  for (size_t i = 0; i < order.size(); ++i) {
    if (i > 0 && key(order[i]) != key(order[i - 1])) ++next;
    rank[rows[order[i]]] = next;
  }
}

int CompareCells(const KeyPlan& k, uint32_t a, uint32_t b) {
  const Column& c = *k.col;
  if (k.ranked) return k.rank[a] < k.rank[b] ? -1 : (k.rank[b] < k.rank[a] ? 1 : 0);
  if (c.storage == Storage::Variant) return CompareVariants(c.vars[a], c.vars[b]);
  bool na = c.IsNullAt(a), nb = c.IsNullAt(b);
  if (na || nb) return na == nb ? 0 : (na ? -1 : 1);
  switch (c.storage) {
    case Storage::Int32:
    case Storage::Int64: {
      int64_t x = c.IntAt(a), y = c.IntAt(b);
      return x < y ? -1 : (y < x ? 1 : 0);
    }
    case Storage::Double:
      return CompareDouble(c.f64[a], c.f64[b]);
    case Storage::Text:
      if (c.presentation == Presentation::Binary) {
        int r = c.TextAt(a).compare(c.TextAt(b));
        return (r > 0) - (r < 0);
      }
      return CollateSort(c.TextAt(a), c.TextAt(b));
    case Storage::Variant:
      break;
  }
  return 0;
}

}  // namespace

std::vector<SortKey> ParseSort(std::string_view text, const RowStore& store) {
  std::vector<SortKey> keys;
  size_t i = 0;
  auto skip = [&] {
    while (i < text.size() && IsBlank(text[i])) ++i;
  };
  skip();
  if (i >= text.size()) return keys;
  for (;;) {
    skip();
    std::string name;
    if (i < text.size() && text[i] == '[') {
      size_t j = i + 1;
      for (;;) {
        if (j >= text.size()) Fail(text, "ein Feldname ist nicht abgeschlossen");
        if (text[j] == ']') {
          if (j + 1 < text.size() && text[j + 1] == ']') {
            name.push_back(']');
            j += 2;
            continue;
          }
          break;
        }
        name.push_back(text[j++]);
      }
      i = j + 1;
    } else {
      size_t j = i;
      while (j < text.size() && text[j] != ',' && !IsBlank(text[j])) ++j;
      name = std::string(text.substr(i, j - i));
      i = j;
    }
    if (name.empty()) Fail(text, "ein Feldname fehlt");
    SortKey k;
    k.col = store.FindColumn(name);
    if (k.col < 0) Fail(text, "das Feld \"" + name + "\" ist nicht vorhanden");
    skip();
    size_t j = i;
    while (j < text.size() && text[j] != ',' && !IsBlank(text[j])) ++j;
    std::string_view dir = text.substr(i, j - i);
    if (!dir.empty()) {
      if (EqualsAsciiNoCase(dir, "desc"))
        k.descending = true;
      else if (!EqualsAsciiNoCase(dir, "asc"))
        Fail(text, "statt \"" + std::string(dir) + "\" wird ASC oder DESC erwartet");
      i = j;
      skip();
    }
    keys.push_back(k);
    if (i >= text.size()) break;
    if (text[i] != ',') Fail(text, "nach dem Feld \"" + name + "\" wird ein Komma erwartet");
    ++i;
  }
  return keys;
}

void SortRows(const RowStore& store, const std::vector<SortKey>& keys,
              std::vector<uint32_t>& rows) {
  if (keys.empty() || rows.size() < 2) return;
  std::vector<KeyPlan> plans(keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    KeyPlan& p = plans[i];
    p.col = &store.columns[static_cast<size_t>(keys[i].col)];
    p.descending = keys[i].descending;
    if (p.col->storage == Storage::Text && rows.size() >= kRankThreshold) {
      p.ranked = true;
      BuildRanks(*p.col, rows, store.rowCount, p.rank);
    }
  }
  std::stable_sort(rows.begin(), rows.end(), [&](uint32_t a, uint32_t b) {
    for (const KeyPlan& p : plans) {
      int c = CompareCells(p, a, b);
      if (c != 0) return p.descending ? c > 0 : c < 0;
    }
    return false;
  });
}

}  // namespace vmbgrid::data
