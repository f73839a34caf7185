#include "data/text_rules.h"

#include <unicode/ucol.h>
#include <unicode/ustring.h>
#include <unicode/utypes.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace vmbgrid::data {
namespace {

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Letters, digits and blanks order the same in the German collation as their
// lower-case bytes do, so such texts need no ICU call.
inline bool IsPlainAlnum(std::string_view s) {
  for (char c : s) {
    bool ok =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ';
    if (!ok) return false;
  }
  return true;
}

struct CollatorDeleter {
  void operator()(UCollator* c) const { ucol_close(c); }
};
using CollatorPtr = std::unique_ptr<UCollator, CollatorDeleter>;

CollatorPtr OpenCollator(UColAttributeValue strength) {
  UErrorCode status = U_ZERO_ERROR;
  UCollator* c = ucol_open("de", &status);
  if (U_FAILURE(status) || c == nullptr) {
    status = U_ZERO_ERROR;
    c = ucol_open("", &status);
  }
  if (c != nullptr) ucol_setStrength(c, strength);
  return CollatorPtr(c);
}

// Collators are opened once; comparing through them is safe from any thread.
UCollator* NoCaseCollator() {
  static CollatorPtr c = OpenCollator(UCOL_SECONDARY);
  return c.get();
}
UCollator* SortCollator() {
  static CollatorPtr c = OpenCollator(UCOL_TERTIARY);
  return c.get();
}

int Sign(int v) { return (v > 0) - (v < 0); }

int CompareBytes(std::string_view a, std::string_view b) {
  int r = a.compare(b);
  return Sign(r);
}

int IcuCompare(UCollator* coll, std::string_view a, std::string_view b) {
  if (coll == nullptr) return CompareBytes(a, b);
  UErrorCode status = U_ZERO_ERROR;
  UCollationResult r = ucol_strcollUTF8(coll, a.data(), static_cast<int32_t>(a.size()), b.data(),
                                        static_cast<int32_t>(b.size()), &status);
  if (U_FAILURE(status)) return CompareBytes(a, b);
  return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

// Case-insensitive comparison of two plain texts; 0 when they differ only in case.
int CompareLowerAscii(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char x = LowerAscii(a[i]), y = LowerAscii(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

inline size_t NextCodePoint(std::string_view s, size_t i) {
  ++i;
  while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0u) == 0x80u) ++i;
  return i;
}

}  // namespace

bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) & 0x80u) return false;
  return true;
}

void FoldTextInto(std::string_view text, std::string& out) {
  out.clear();
  if (IsAscii(text)) {
    out.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i) out[i] = LowerAscii(text[i]);
    return;
  }
  // Invalid UTF-8 is replaced, never rejected: the texts come from data and users.
  thread_local std::u16string wide, folded;
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = 0;
  wide.resize(text.size() + 1);
  u_strFromUTF8WithSub(wide.data(), static_cast<int32_t>(wide.size()), &len, text.data(),
                       static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) {
    out.assign(text);
    return;
  }
  folded.resize(static_cast<size_t>(len) * 3 + 4);
  status = U_ZERO_ERROR;
  int32_t flen = u_strFoldCase(folded.data(), static_cast<int32_t>(folded.size()), wide.data(), len,
                               U_FOLD_CASE_DEFAULT, &status);
  if (U_FAILURE(status)) {
    out.assign(text);
    return;
  }
  out.resize(static_cast<size_t>(flen) * 3 + 4);
  int32_t olen = 0;
  status = U_ZERO_ERROR;
  u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &olen, folded.data(), flen, &status);
  if (U_FAILURE(status)) {
    out.assign(text);
    return;
  }
  out.resize(static_cast<size_t>(olen));
}

std::string FoldText(std::string_view text) {
  std::string out;
  FoldTextInto(text, out);
  return out;
}

int CollateNoCase(std::string_view a, std::string_view b) {
  if (IsPlainAlnum(a) && IsPlainAlnum(b)) return CompareLowerAscii(a, b);
  return IcuCompare(NoCaseCollator(), a, b);
}

int CollateSort(std::string_view a, std::string_view b) {
  if (IsPlainAlnum(a) && IsPlainAlnum(b)) {
    int r = CompareLowerAscii(a, b);
    if (r != 0) return r;
    // Same letters: the first difference in case decides, lower case first.
    for (size_t i = 0; i < a.size(); ++i)
      if (a[i] != b[i]) return (a[i] >= 'a' && a[i] <= 'z') ? -1 : 1;
    return 0;
  }
  return IcuCompare(SortCollator(), a, b);
}

int CompareFolded(std::string_view a, std::string_view b) {
  if (a == b) return 0;
  // Folded plain text (lower-case letters, digits, blanks) collates as its bytes.
  if (!IsPlainAlnum(a) || !IsPlainAlnum(b)) {
    const int r = IcuCompare(SortCollator(), a, b);
    if (r != 0) return r;
  }
  return CompareBytes(a, b);
}

int CompareNoCase(std::string_view a, std::string_view b) {
  thread_local std::string fa, fb;
  FoldTextInto(a, fa);
  FoldTextInto(b, fb);
  return CompareFolded(fa, fb);
}

void AppendSortKey(std::string_view text, std::string& out) {
  UCollator* coll = SortCollator();
  if (coll == nullptr) {
    out.append(text);
    out.push_back('\0');
    return;
  }
  thread_local std::u16string wide;
  thread_local std::string key;
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = 0;
  wide.resize(text.size() + 1);
  if (IsAscii(text)) {
    // Plain ASCII widens byte for byte; most names are.
    for (size_t i = 0; i < text.size(); ++i) wide[i] = static_cast<char16_t>(text[i]);
    len = static_cast<int32_t>(text.size());
  } else {
    u_strFromUTF8WithSub(wide.data(), static_cast<int32_t>(wide.size()), &len, text.data(),
                         static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) len = 0;
  }
  if (key.size() < 64) key.resize(64);
  int32_t n = ucol_getSortKey(coll, wide.data(), len, reinterpret_cast<uint8_t*>(key.data()),
                              static_cast<int32_t>(key.size()));
  if (n > static_cast<int32_t>(key.size())) {
    key.resize(static_cast<size_t>(n));
    n = ucol_getSortKey(coll, wide.data(), len, reinterpret_cast<uint8_t*>(key.data()),
                        static_cast<int32_t>(key.size()));
  }
  out.append(key.data(), static_cast<size_t>(n));  // n counts the terminating zero
}

bool EqualsFolded(std::string_view text, std::string_view foldedLiteral) {
  // While the text is plain ASCII its folding is position for position, so any
  // difference there is final; only a non-ASCII byte needs the real folding.
  size_t n = std::min(text.size(), foldedLiteral.size());
  size_t i = 0;
  for (; i < n; ++i) {
    char c = text[i];
    if (static_cast<unsigned char>(c) & 0x80u) break;
    if (LowerAscii(c) != foldedLiteral[i]) return false;
  }
  if (i == n) return text.size() == foldedLiteral.size();
  thread_local std::string buf;
  FoldTextInto(text, buf);
  return buf == foldedLiteral;
}

LikePattern::LikePattern(std::string_view pattern) {
  std::string folded = FoldText(pattern);
  for (char c : folded) {
    if (c == '*' || c == '%') {
      if (pattern_.empty() || pattern_.back() != kAnyRun) pattern_.push_back(kAnyRun);
    } else if (c == '?' || c == '_') {
      pattern_.push_back(kAnyOne);
    } else {
      pattern_.push_back(static_cast<unsigned char>(c));
    }
  }
  // Recognise literal, literal*, *literal*, *literal.
  size_t first = 0, last = pattern_.size();
  bool leading = !pattern_.empty() && pattern_.front() == kAnyRun;
  bool trailing = pattern_.size() > (leading ? 1u : 0u) && pattern_.back() == kAnyRun;
  if (leading) ++first;
  if (trailing) --last;
  bool plain = true;
  for (size_t i = first; i < last; ++i)
    if (pattern_[i] < 0) plain = false;
  if (!plain) return;
  for (size_t i = first; i < last; ++i) literal_.push_back(static_cast<char>(pattern_[i]));
  if (!leading && !trailing)
    shape_ = Shape::Exact;
  else if (!leading)
    shape_ = Shape::Prefix;
  else if (!trailing)
    shape_ = Shape::Suffix;
  else
    shape_ = Shape::Contains;
}

bool LikePattern::Match(std::string_view text) const {
  if (shape_ == Shape::Exact) return EqualsFolded(text, literal_);
  if (shape_ == Shape::Prefix) {
    // Position for position while the text is plain ASCII: a difference there is final.
    size_t i = 0;
    for (; i < literal_.size(); ++i) {
      if (i >= text.size()) return false;
      char c = text[i];
      if (static_cast<unsigned char>(c) & 0x80u) break;  // needs real folding
      if (LowerAscii(c) != literal_[i]) return false;
    }
    if (i == literal_.size()) return true;
  }
  thread_local std::string buf;
  FoldTextInto(text, buf);
  return MatchFolded(buf);
}

bool LikePattern::MatchFolded(std::string_view s) const {
  switch (shape_) {
    case Shape::Exact:
      return s == literal_;
    case Shape::Prefix:
      return s.substr(0, literal_.size()) == literal_;
    case Shape::Suffix:
      return s.size() >= literal_.size() && s.substr(s.size() - literal_.size()) == literal_;
    case Shape::Contains:
      return s.find(literal_) != std::string_view::npos;
    case Shape::General:
      break;
  }
  const size_t m = pattern_.size();
  size_t t = 0, p = 0;
  size_t starP = std::string_view::npos, starT = 0;
  while (t < s.size()) {
    if (p < m && pattern_[p] == kAnyOne) {
      t = NextCodePoint(s, t);
      ++p;
    } else if (p < m && pattern_[p] == kAnyRun) {
      starP = p++;
      starT = t;
    } else if (p < m && pattern_[p] == static_cast<unsigned char>(s[t])) {
      ++t;
      ++p;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      starT = NextCodePoint(s, starT);
      t = starT;
    } else {
      return false;
    }
  }
  while (p < m && pattern_[p] == kAnyRun) ++p;
  return p == m;
}

}  // namespace vmbgrid::data
