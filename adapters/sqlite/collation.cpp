// German collations. SQLite compares text by bytes, which puts "Ärger" after
// "Zander"; the statements of the library sort by the collation "VMDE" instead (see
// the dialect), which follows German rules through ICU, as the in-memory sort of the
// recordsets does, and compare text with literals by "VMDE_NOCASE", the in-memory
// filter's rule for criteria.
#include <sqlite3.h>
#include <unicode/ucol.h>

#include <cstring>

#include "adapters/sqlite/internal.h"
#include "adapters/sqlite/sqlite_provider.h"
#include "data/text_rules.h"

namespace vmbgrid::sqlite {

namespace {

int Compare(void* arg, int n1, const void* s1, int n2, const void* s2) {
  auto* collator = static_cast<UCollator*>(arg);
  UErrorCode status = U_ZERO_ERROR;
  UCollationResult r = ucol_strcollUTF8(collator, static_cast<const char*>(s1), n1,
                                        static_cast<const char*>(s2), n2, &status);
  if (U_FAILURE(status)) {
    // Not valid UTF-8 for ICU: fall back to bytes, which is at least a total order.
    int c = std::memcmp(s1, s2, static_cast<size_t>(n1 < n2 ? n1 : n2));
    return c != 0 ? c : (n1 < n2 ? -1 : n1 > n2 ? 1 : 0);
  }
  return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

void Destroy(void* arg) { ucol_close(static_cast<UCollator*>(arg)); }

// A GUID in braces compares as the GUID: SQLite holds GUIDs as whatever text a
// program wrote ("{6F9619FF-…}" or "6f9619ff-…"), and a search finds either form,
// as PostgreSQL's uuid and the in-memory filter do.
std::string_view WithoutGuidBraces(std::string_view s) {
  if (s.size() != 38 || s.front() != '{' || s.back() != '}') return s;
  for (size_t i = 1; i < 37; ++i) {
    const char c = s[i];
    const bool hyphen = i == 9 || i == 14 || i == 19 || i == 24;
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (hyphen ? c != '-' : !hex) return s;
  }
  return s.substr(1, 36);
}

int CompareNoCase(void*, int n1, const void* s1, int n2, const void* s2) {
  return data::CompareNoCase(
      WithoutGuidBraces(std::string_view(static_cast<const char*>(s1), static_cast<size_t>(n1))),
      WithoutGuidBraces(std::string_view(static_cast<const char*>(s2), static_cast<size_t>(n2))));
}

}  // namespace

void InstallCollation(sqlite3* db) {
  sqlite3_create_collation_v2(db, kSearchCollation, SQLITE_UTF8, nullptr, CompareNoCase, nullptr);
  UErrorCode status = U_ZERO_ERROR;
  UCollator* collator = ucol_open("de", &status);
  if (U_FAILURE(status) || !collator) return;  // the statements then fail visibly
  sqlite3_create_collation_v2(db, kGermanCollation, SQLITE_UTF8, collator, Compare, Destroy);
}

}  // namespace vmbgrid::sqlite
