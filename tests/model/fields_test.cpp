// The field descriptors, their value lists and the collections of fields and sort
// columns: keys by German case rules, positions from 1, errors as the host knows them.
#include "model/fields.h"

#include <gtest/gtest.h>

#include "host/error.h"
#include "tests/raised.h"

namespace vmbgrid {
namespace {

TEST(VMGridField, ValueListKeepsFirstTranslationPerKey) {
  VMGridField f;
  f.AddValue(Variant(1), Variant("Ja"));
  f.AddValue(Variant("1"), Variant("Doppelt"));  // same key text
  f.AddValue(Variant::Null(), Variant("nie"));   // no key text: ignored
  f.AddValue(Variant("m"), Variant("männlich"));
  f.AddValue(Variant("M"), Variant("anders"));  // keys ignore case
  ASSERT_NE(f.valuelist, nullptr);
  ASSERT_EQ(f.valuelist->Count(), 2);
  EXPECT_EQ(f.valuelist->Item(0).display, Variant("Ja"));
  EXPECT_EQ(f.valuelist->Item(0).value, Variant(1));
  EXPECT_EQ(f.valuelist->Find("M")->display, Variant("männlich"));
  EXPECT_EQ(f.valuelist->Find("x"), nullptr);
  EXPECT_THROW(f.valuelist->Item(2), VMError);
}

TEST(VMGridFields, KeysIgnoreCaseByGermanRulesAndMalformedNamesStayDistinct) {
  VMGridFields fields;
  auto m = fields.Add("Müller");
  EXPECT_EQ(fields.Item("MÜLLER"), m);
  EXPECT_EQ(fields.Item("müller"), m);
  EXPECT_TRUE(fields.Contains("mÜller"));
  EXPECT_EQ(fields.Find("Mueller"), nullptr);
  const VMError e = testing::Raised([&] { fields.Add("MÜLLER", "anders"); });
  EXPECT_EQ(e.Number(), errc::kKeyAlreadyExists);
  EXPECT_EQ(e.Description(),
            "Dieser Schlüssel ist bereits einem Element dieser Auflistung zugeordnet.");
  EXPECT_EQ(fields.Count(), 1);
  EXPECT_EQ(fields.Item(1)->caption, "Müller");  // the duplicate left nothing behind
  // Names read back from files may be malformed text; they must not collide.
  fields.Add("a\xff");
  fields.Add("a\xfe");
  EXPECT_EQ(fields.Count(), 3);
  EXPECT_EQ(fields.Item("a\xfe")->fieldname, "a\xfe");
  fields.Remove(1);  // positions and keys follow the removal
  EXPECT_EQ(fields.Item(2)->fieldname, "a\xfe");
  EXPECT_EQ(fields.Find("Müller"), nullptr);
}

}  // namespace
}  // namespace vmbgrid
