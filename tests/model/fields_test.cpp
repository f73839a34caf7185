#include "model/fields.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "host/error.h"

namespace vmbgrid {
namespace {

void ExpectError(int32_t number, const std::string& text, const std::function<void()>& f) {
  try {
    f();
    ADD_FAILURE() << "no error";
  } catch (const VMError& e) {
    EXPECT_EQ(e.Number(), number);
    EXPECT_EQ(e.Source(), "VMBGrid");
    EXPECT_EQ(e.Description(), text);
  }
}

std::vector<std::string> Names(const VMGridFields& fields) {
  std::vector<std::string> out;
  for (const auto& f : fields) out.push_back(f->fieldname);
  return out;
}

TEST(VMGridField, NewDescriptorIsEmpty) {
  VMGridField f;
  EXPECT_FALSE(f.visible());
  EXPECT_FALSE(f.Hidden());
  EXPECT_EQ(f.datatype, 0);
  EXPECT_TRUE(f.value.IsEmpty());
  EXPECT_EQ(f.sumvalue.ToText(), "");
  EXPECT_EQ(f.valuelist, nullptr);
  EXPECT_EQ(f.DatasourceDropdown(), "");
}

TEST(VMGridField, HiddenOverridesVisible) {
  VMGridField f;
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

TEST(VMGridFields, KeysIgnoreCaseByGermanRules) {
  VMGridFields fields;
  auto m = fields.Add("Müller");
  EXPECT_EQ(fields.Item("MÜLLER"), m);
  EXPECT_EQ(fields.Item("müller"), m);
  EXPECT_TRUE(fields.Contains("mÜller"));
  EXPECT_EQ(fields.Find("Mueller"), nullptr);
  ExpectError(errc::kKeyAlreadyExists,
              "Dieser Schlüssel ist bereits einem Element dieser Auflistung zugeordnet.",
              [&] { fields.Add("MÜLLER", "anders"); });
  EXPECT_EQ(fields.Count(), 1);
  EXPECT_EQ(fields.Item(1)->caption, "Müller");  // the duplicate left nothing behind
}

TEST(VMGridFields, MalformedNamesStayDistinct) {
  // Names read back from files may be malformed text; they must not collide.
  VMGridFields fields;
  fields.Add("a\xff");
  fields.Add("a\xfe");
  EXPECT_EQ(fields.Count(), 2);
  EXPECT_EQ(fields.Item("a\xfe")->fieldname, "a\xfe");
}

TEST(VMGridFields, ErrorsForAbsentKeysAndPositions) {
  VMGridFields fields;
  fields.Add("A");
  ExpectError(errc::kInvalidProcedureCall, "Ungültiger Prozeduraufruf oder ungültiges Argument.",
              [&] { fields.Item("B"); });
  ExpectError(errc::kInvalidProcedureCall, "Ungültiger Prozeduraufruf oder ungültiges Argument.",
              [&] { fields.Remove("B"); });
  ExpectError(errc::kSubscriptOutOfRange, "Index außerhalb des gültigen Bereichs.",
              [&] { fields.Item(0); });
  ExpectError(errc::kSubscriptOutOfRange, "Index außerhalb des gültigen Bereichs.",
              [&] { fields.Item(2); });
  ExpectError(errc::kSubscriptOutOfRange, "Index außerhalb des gültigen Bereichs.",
              [&] { fields.Remove(Variant(5)); });
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

}  // namespace
}  // namespace vmbgrid
