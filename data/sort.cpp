#include "data/sort.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "data/text_rules.h"
#include "host/error.h"

namespace vmbgrid::data {
namespace {

// Below this many rows texts are compared directly; above it every row gets a rank
// from the ICU sort key of its text (cached per column in the store), so the sort
// compares integers; a sort by one text column alone is a counting sort of ranks.
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
  const std::vector<uint32_t>* rank = nullptr;  // by row id, when ranked
};

// Ranks of the text cells of the given rows, from the store's cache when it covers
// them all. Otherwise: each distinct text gets one ICU sort key (names repeat a
// lot, so this is far fewer keys than rows), the distinct keys are sorted, and
// every row takes the rank of its text. Null ranks before every text, the empty
// text after null. Binary cells are ordered by their bytes.
const RankCache& RanksFor(const RowStore& store, int col, const std::vector<uint32_t>& rows) {
  if (store.sortRanks.size() < store.columns.size()) store.sortRanks.resize(store.columns.size());
  auto& slot = store.sortRanks[static_cast<size_t>(col)];
  if (slot && slot->version == store.version && slot->rank.size() >= store.rowCount) {
    bool covered = true;
    for (uint32_t r : rows)
      if (slot->rank[r] == RankCache::kMissing) {
        covered = false;
        break;
      }
    if (covered) return *slot;
  }
  slot.reset();
  auto cache = std::make_unique<RankCache>();
  cache->version = store.version;
  cache->rank.assign(store.rowCount, RankCache::kMissing);
  const Column& c = store.columns[static_cast<size_t>(col)];

  // Distinct texts through an open-addressing table over the column's own bytes.
  std::vector<std::string_view> texts;
  std::vector<uint32_t> textOf(rows.size());
  size_t capacity = 16;
  while (capacity < rows.size() * 2) capacity <<= 1;
  std::vector<uint32_t> table(capacity, RankCache::kMissing);
  const std::hash<std::string_view> hash;
  bool anyNull = false;
  for (size_t i = 0; i < rows.size(); ++i) {
    const uint32_t r = rows[i];
    if (c.IsNullAt(r)) {
      textOf[i] = RankCache::kMissing;
      anyNull = true;
      continue;
    }
    const std::string_view t = c.TextAt(r);
    size_t h = hash(t) & (capacity - 1);
    for (;;) {
      const uint32_t d = table[h];
      if (d == RankCache::kMissing) {
        table[h] = static_cast<uint32_t>(texts.size());
        textOf[i] = static_cast<uint32_t>(texts.size());
        texts.push_back(t);
        break;
      }
      if (texts[d] == t) {
        textOf[i] = d;
        break;
      }
      h = (h + 1) & (capacity - 1);
    }
  }
  std::vector<uint32_t>().swap(table);

  // One key per distinct text, in one arena.
  const bool binary = c.presentation == Presentation::Binary;
  std::string keys;
  std::vector<uint32_t> start(texts.size() + 1);
  for (size_t d = 0; d < texts.size(); ++d) {
    start[d] = static_cast<uint32_t>(keys.size());
    if (binary)
      keys.append(texts[d]);
    else
      AppendSortKey(texts[d], keys);
    if (keys.size() >= 0xFFFFFFF0u) {
      throw VMError(errc::kProviderFailure, "VMBGrid.Recordset",
                    "Die Daten sind zu umfangreich, um sortiert zu werden.");
    }
  }
  start[texts.size()] = static_cast<uint32_t>(keys.size());
  auto key = [&](uint32_t d) {
    return std::string_view(keys.data() + start[d], start[d + 1] - start[d]);
  };
  std::vector<uint32_t> order(texts.size());
  for (size_t d = 0; d < order.size(); ++d) order[d] = static_cast<uint32_t>(d);
  std::sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) { return key(x) < key(y); });
  std::vector<uint32_t> rankOfText(texts.size());
  uint32_t next = anyNull ? 1 : 0;  // null is rank 0
  for (size_t i = 0; i < order.size(); ++i) {
    if (i > 0 && key(order[i]) != key(order[i - 1])) ++next;
    rankOfText[order[i]] = next;
  }
  cache->ranks = order.empty() ? next : next + 1;
  for (size_t i = 0; i < rows.size(); ++i)
    cache->rank[rows[i]] = textOf[i] == RankCache::kMissing ? 0 : rankOfText[textOf[i]];
  slot = std::move(cache);
  return *slot;
}

// One text key: a counting sort of the rows by rank, which keeps rows of equal
// rank in their order.
void SortByRanks(const RowStore& store, const SortKey& key, std::vector<uint32_t>& rows) {
  const RankCache& cache = RanksFor(store, key.col, rows);
  const uint32_t n = cache.ranks;
  std::vector<uint32_t> first(static_cast<size_t>(n) + 1, 0);
  auto bucket = [&](uint32_t r) { return key.descending ? n - 1 - cache.rank[r] : cache.rank[r]; };
  for (uint32_t r : rows) ++first[bucket(r) + 1];
  for (size_t b = 1; b < first.size(); ++b) first[b] += first[b - 1];
  std::vector<uint32_t> sorted(rows.size());
  for (uint32_t r : rows) sorted[first[bucket(r)]++] = r;
  rows.swap(sorted);
}

int CompareCells(const KeyPlan& k, uint32_t a, uint32_t b) {
  const Column& c = *k.col;
  if (k.ranked) {
    const uint32_t x = (*k.rank)[a], y = (*k.rank)[b];
    return x < y ? -1 : (y < x ? 1 : 0);
  }
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
    case Storage::Decimal:
      return Decimal::Compare(c.dec[a], c.dec[b]);
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
  if (keys.size() == 1 && rows.size() >= kRankThreshold &&
      store.columns[static_cast<size_t>(keys[0].col)].storage == Storage::Text) {
    SortByRanks(store, keys[0], rows);
    return;
  }
  std::vector<KeyPlan> plans(keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    KeyPlan& p = plans[i];
    p.col = &store.columns[static_cast<size_t>(keys[i].col)];
    p.descending = keys[i].descending;
    if (p.col->storage == Storage::Text && rows.size() >= kRankThreshold) {
      p.ranked = true;
      p.rank = &RanksFor(store, keys[i].col, rows).rank;
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
