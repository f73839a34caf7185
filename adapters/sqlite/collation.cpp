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

int CompareNoCase(void*, int n1, const void* s1, int n2, const void* s2) {
  return data::CompareNoCase(
      std::string_view(static_cast<const char*>(s1), static_cast<size_t>(n1)),
      std::string_view(static_cast<const char*>(s2), static_cast<size_t>(n2)));
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
