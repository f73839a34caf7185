// Faults the fuzzers found, each pinned down by name with the input that showed it.
#include <gtest/gtest.h>

#include <functional>

#include "core/strings.h"
#include "data/provider.h"
#include "host/error.h"
#include "search/criteria.h"

namespace vmbgrid {
namespace {

std::string Description(const std::function<void()>& f) {
  try {
    f();
  } catch (const VMError& e) {
    return e.Description();
  }
  return "(kein Fehler)";
}

// Years below 100 are outside the automation date range: the filter of a host's
// rows refused the literal the criteria had written ("01.02.0003").
TEST(FuzzRegression, DatesBeforeTheYear100AreNoDates) {
  EXPECT_EQ(Description([] { core::ToSqlDate("01.02.0003"); }),
            "Der Text '01.02.0003' ist kein gültiges Datum.");
  EXPECT_NE(Description([] { core::ToSqlDate("0099-12-31"); }), "(kein Fehler)");
  EXPECT_EQ(core::ToSqlDate("1.1.0100"), "0100-01-01");

  search::CriteriaContext ctx;
  EXPECT_EQ(Description(
                [&] { search::BuildSearchCondition("Datum", Variant("01.02.0003"), adDate, ctx); }),
            "Der Wert '01.02.0003' in der Spalte Datum ist kein gültiges Datum.");
  auto rs = data::DefaultDataAccess().CreateRecordset();
  rs->AppendField("Datum", adDate, 8);
  rs->OpenFabricated();
  EXPECT_NO_THROW(
      rs->Filter(search::BuildSearchCondition("Datum", Variant("1.1.0100"), adDate, ctx)));
}

}  // namespace
}  // namespace vmbgrid
