// LIKE with Unicode case folding. SQLite's own LIKE folds ASCII letters only, so
// 'mül%' would not find "Müller"; this replacement folds text and pattern fully, as
// the in-memory filter and the PostgreSQL provider do ("STRASSE" matches 'straße';
// "_" stands for one character of the folded text).
#include <sqlite3.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstring>
#include <vector>

#include "adapters/sqlite/internal.h"
#include "data/text_rules.h"

namespace vmbgrid::sqlite {

namespace {

constexpr UChar32 kAnyOne = -1;   // "_"
constexpr UChar32 kAnyMany = -2;  // "%"
constexpr int kMaxPatternBytes = 50000;

inline UChar32 Fold(UChar32 c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  return u_foldCase(c, U_FOLD_CASE_DEFAULT);
}

// Folds (data::FoldText) and decodes; malformed bytes become U+FFFD so that they
// match only "_" or "%".
void Decode(const unsigned char* s, int32_t n, std::vector<UChar32>& out) {
  thread_local std::string folded;
  data::FoldTextInto(std::string_view(reinterpret_cast<const char*>(s), static_cast<size_t>(n)),
                     folded);
  const auto* f = reinterpret_cast<const unsigned char*>(folded.data());
  const auto m = static_cast<int32_t>(folded.size());
  out.clear();
  int32_t i = 0;
  while (i < m) {
    UChar32 c;
    if (f[i] < 0x80) {
      c = f[i++];
    } else {
      U8_NEXT(f, i, m, c);
      if (c < 0) c = 0xFFFD;
    }
    out.push_back(c);
  }
}

struct Pattern {
  UChar32 escape = 0;  // 0 = none
  std::vector<UChar32> tokens;
};

Pattern* Compile(const unsigned char* p, int32_t n, UChar32 escape) {
  auto* pat = new Pattern;
  pat->escape = escape;
  std::vector<UChar32> cps;
  Decode(p, n, cps);
  const UChar32 esc = escape ? Fold(escape) : 0;
  for (size_t i = 0; i < cps.size(); ++i) {
    UChar32 c = cps[i];
    if (esc && c == esc) {
      // The escaped character stands for itself; a trailing escape matches itself.
      pat->tokens.push_back(i + 1 < cps.size() ? cps[++i] : c);
    } else if (c == '%') {
      if (pat->tokens.empty() || pat->tokens.back() != kAnyMany) pat->tokens.push_back(kAnyMany);
    } else if (c == '_') {
      pat->tokens.push_back(kAnyOne);
    } else {
      pat->tokens.push_back(c);
    }
  }
  return pat;
}

// Wildcard match with one backtracking point per "%": linear in practice,
// O(n*m) at worst, never exponential.
bool Match(const std::vector<UChar32>& pat, const std::vector<UChar32>& text) {
  size_t p = 0, t = 0;
  size_t starP = SIZE_MAX, starT = 0;
  while (t < text.size()) {
    if (p < pat.size() && pat[p] == kAnyMany) {
      starP = p++;
      starT = t;
    } else if (p < pat.size() && (pat[p] == kAnyOne || pat[p] == text[t])) {
      ++p;
      ++t;
    } else if (starP != SIZE_MAX) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pat.size() && pat[p] == kAnyMany) ++p;
  return p == pat.size();
}

void DeletePattern(void* p) { delete static_cast<Pattern*>(p); }

void LikeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  // like(pattern, text [, escape]); NULL anywhere gives NULL.
  for (int i = 0; i < argc; ++i) {
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return;
  }
  UChar32 escape = 0;
  if (argc == 3) {
    const unsigned char* e = sqlite3_value_text(argv[2]);
    const int32_t en = sqlite3_value_bytes(argv[2]);
    int32_t i = 0;
    if (e) U8_NEXT(e, i, en, escape);
    if (!e || escape <= 0 || i != en) {
      sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
      return;
    }
  }
  auto* pat = static_cast<Pattern*>(sqlite3_get_auxdata(ctx, 0));
  bool fresh = false;
  if (!pat || pat->escape != escape) {
    const unsigned char* p = sqlite3_value_text(argv[0]);
    const int32_t pn = sqlite3_value_bytes(argv[0]);
    if (pn > kMaxPatternBytes) {
      sqlite3_result_error(ctx, "LIKE or GLOB pattern too complex", -1);
      return;
    }
    pat = Compile(p ? p : reinterpret_cast<const unsigned char*>(""), pn, escape);
    fresh = true;
  }
  thread_local std::vector<UChar32> text;
  const unsigned char* s = sqlite3_value_text(argv[1]);
  Decode(s ? s : reinterpret_cast<const unsigned char*>(""), sqlite3_value_bytes(argv[1]), text);
  sqlite3_result_int(ctx, Match(pat->tokens, text) ? 1 : 0);
  // Handed over last: SQLite may free it before set_auxdata returns. A constant
  // pattern is then compiled once per statement instead of once per row.
  if (fresh) sqlite3_set_auxdata(ctx, 0, pat, DeletePattern);
}

}  // namespace

void InstallLike(sqlite3* db) {
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  sqlite3_create_function(db, "like", 2, flags, nullptr, LikeFunction, nullptr, nullptr);
  sqlite3_create_function(db, "like", 3, flags, nullptr, LikeFunction, nullptr, nullptr);
}

}  // namespace vmbgrid::sqlite
