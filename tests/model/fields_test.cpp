// The field descriptors, their value lists and the collections of fields and sort
// columns: keys by German case rules, positions from 1, errors as the host knows them.
#include "model/fields.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <vector>

#include "host/error.h"
#include "model/sort_columns.h"
#include "tests/raised.h"

namespace vmbgrid {
namespace {

std::vector<std::string> Names(const VMGridFields& fields) {
  std::vector<std::string> out;
  for (const auto& f : fields) out.push_back(f->fieldname);
  return out;
}

TEST(VMGridField, HiddenOverridesVisible) {
  VMGridField f;
  EXPECT_FALSE(f.visible() || f.Hidden());  // a new descriptor
  EXPECT_EQ(f.valuelist, nullptr);
  EXPECT_EQ(f.DatasourceDropdown(), "");
  f.visible(true);
  f.Hidden(true);
  EXPECT_FALSE(f.visible());
  f.visible(true);  // ignored while hidden
  EXPECT_FALSE(f.visible());
  f.Hidden(false);  // does not switch visible back on
  EXPECT_FALSE(f.visible());
  f.visible(true);
  EXPECT_TRUE(f.visible());
}

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

TEST(VMGridFields, AddFollowsTheDefaults) {
  VMGridFields fields;
  auto name = fields.Add("Name");
  EXPECT_EQ(name->caption, "Name");
  EXPECT_TRUE(name->visible());
  EXPECT_EQ(name->datatype, -1);
  EXPECT_EQ(name->sumalignment, -1);
  EXPECT_TRUE(name->value.IsMissing());
  EXPECT_TRUE(name->sumvalue.IsString());
  EXPECT_EQ(name->sumvalue.ToText(), "");

  auto nr = fields.Add({.fieldname = "Nr",
                        .caption = "Nummer",
                        .OrUse = true,
                        .Hidden = true,
                        .sumDatatype = vmSUM,
                        .sumvalue = Variant("Summe")});
  EXPECT_EQ(nr->caption, "Nummer");
  EXPECT_TRUE(nr->useOr);
  EXPECT_TRUE(nr->Hidden());
  EXPECT_FALSE(nr->visible());
  EXPECT_EQ(nr->sumDatatype, vmSUM);
  EXPECT_EQ(nr->sumvalue, Variant("Summe"));
  // A null sum value stays null (the sum cell stays empty).
  auto ort = fields.Add({.fieldname = "Ort", .sumvalue = Variant::Null()});
  EXPECT_TRUE(ort->sumvalue.IsNull());
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
}

TEST(VMGridFields, ErrorsForAbsentKeysAndPositions) {
  VMGridFields fields;
  fields.Add("A");
  const char* kNoKey = "Ungültiger Prozeduraufruf oder ungültiges Argument.";
  const char* kNoIndex = "Index außerhalb des gültigen Bereichs.";
  const std::tuple<std::function<void()>, int32_t, const char*> kCases[] = {
      {[&] { fields.Item("B"); }, errc::kInvalidProcedureCall, kNoKey},
      {[&] { fields.Remove("B"); }, errc::kInvalidProcedureCall, kNoKey},
      {[&] { fields.Item(0); }, errc::kSubscriptOutOfRange, kNoIndex},
      {[&] { fields.Item(2); }, errc::kSubscriptOutOfRange, kNoIndex},
      {[&] { fields.Remove(Variant(5)); }, errc::kSubscriptOutOfRange, kNoIndex}};
  for (const auto& [call, number, text] : kCases) {
    const VMError e = testing::Raised(call);
    EXPECT_EQ(e.Number(), number);
    EXPECT_EQ(e.Source(), "VMBGrid");
    EXPECT_EQ(e.Description(), text);
  }
  EXPECT_THROW(fields.Item(Variant::Null()), VMError);
  EXPECT_EQ(fields.Count(), 1);
}

TEST(VMGridFields, RemoveKeepsOrderAndIndex) {
  VMGridFields fields;
  fields.Add("A");
  fields.Add("B");
  fields.Add("C");
  fields.Remove(1);
  EXPECT_EQ(fields.Count(), 2);
  EXPECT_EQ(fields.Item(1)->fieldname, "B");
  EXPECT_EQ(fields.Item(Variant("c"))->fieldname, "C");  // index follows the shift
  fields.Remove(Variant("b"));
  EXPECT_EQ(Names(fields), std::vector<std::string>{"C"});
  fields.Add("A");  // a removed key may come back
  EXPECT_EQ(Names(fields), (std::vector<std::string>{"C", "A"}));
  EXPECT_EQ(fields.Item(Variant(2.0))->fieldname, "A");
  fields.Clear();
  EXPECT_EQ(fields.Count(), 0);
  EXPECT_EQ(fields.Find("A"), nullptr);
}

TEST(VMGridFields, SharedDescriptorInTwoCollections) {
  VMGridFields columns, restrictions;
  auto f = std::make_shared<VMGridField>();
  f->fieldname = "Ort";
  EXPECT_EQ(columns.AddField(f), f);
  restrictions.AddField(f);
  restrictions.Item("ORT")->value = Variant("Berlin");
  EXPECT_EQ(columns.Item("Ort")->value, Variant("Berlin"));
  EXPECT_THROW(columns.AddField(f), VMError);
  EXPECT_THROW(columns.AddField(nullptr), VMError);
}

TEST(SortColumns, KeyedAndUnkeyedEntries) {
  EXPECT_EQ(SortOrderText(ascending), "ASC");
  EXPECT_EQ(SortOrderText(descending), "DESC");
  EXPECT_EQ(SortOrderText(3), "");
  VMGridSortColumns cols;
  cols.Add("Name", "ASC", "Name");
  cols.Add("Ort", "DESC");  // no key
  cols.Add("Ort", "ASC");   // unkeyed entries never collide
  EXPECT_EQ(cols.Count(), 3);
  EXPECT_EQ(cols.Item("NAME")->SortOrder, "ASC");
  EXPECT_EQ(cols.Find("Ort"), nullptr);
  EXPECT_THROW(cols.Add("Name", "DESC", "name"), VMError);
  EXPECT_EQ(cols.Count(), 3);
  cols.Remove("Name");
  EXPECT_EQ(cols.Item(1)->sortcolumn, "Ort");
  EXPECT_EQ(cols.Item(Variant(2))->SortOrder, "ASC");
  EXPECT_EQ(testing::Raised([&] { cols.Remove("Name"); }).Number(), errc::kInvalidProcedureCall);
  EXPECT_THROW(cols.Item(3), VMError);
}

}  // namespace
}  // namespace vmbgrid
