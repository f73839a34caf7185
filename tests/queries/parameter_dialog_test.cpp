// The parameter dialog: inputs built from each parameter's input kind in number
// order, their places, the values written back, and parameter queries run from the
// filter menu with the answers (OK, Cancel, empty, a number used twice, payloads).
#include "queries/parameter_dialog.h"

#include <gtest/gtest.h>

#include <ctime>

#include "model/fields.h"
#include "tests/queries/queries_fixture.h"

namespace vmbgrid::testing {
namespace {

using queries::ParameterDialog;
using Kind = DialogInput::Kind;

class ParameterQueries : public QueriesTest {
 protected:
  static std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[16];
    std::strftime(text, sizeof text, "%d.%m.%Y", localtime_r(&now, &local));
    return text;
  }
  // Runs the dialog on the fields; the script answers. The values afterwards.
  Strings Run(VMGridFields& fields, std::function<bool(HeadlessDialogView&)> play) {
    auto form = platform_->dialogs.Create("frmSimpleQuery");
    platform_->dialogs.Script("frmSimpleQuery", play);
    ParameterDialog dialog(*form, fields);
    dialog.Run("Kunden [Test]");
    Strings values;
    for (const auto& f : fields) values.push_back(f->fieldname + "=" + f->value.ToTextOrEmpty());
    return values;
  }
  static std::string Describe(const DialogInput& i) {
    return i.name + "@" + std::to_string(i.left) + "," + std::to_string(i.top) + ":" + i.caption;
  }
};

TEST_F(ParameterQueries, InputsStandInNumberOrderAndRangesWriteFromAndTo) {
  VMGridFields fields;
  fields.Add("Geburtstag", "Geburtstag", "2", Variant("DatumVonBis"));
  fields.Add("Name", "Name", "1", Variant("Text"));
  fields.Add("Umsatz", "Umsatz", "3", Variant("ZahlVonBis(5,2)"));
  Strings built;
  std::string focus, height;
  auto values = Run(fields, [&](HeadlessDialogView& v) {
    for (const auto& i : v.Inputs()) built.push_back(Describe(i));
    focus = v.Focused();
    height = v.ControlValue("ClientHeight").ToTextOrEmpty();
    EXPECT_EQ(v.Input("txtDatum(3)")->format, "__.__.____");
    EXPECT_EQ(v.ControlValue("txtDatum(3)").ToTextOrEmpty(), Today());
    EXPECT_EQ(v.Input("txtZahl(7)")->format, "#####,00");
    v.Type("txtText(1)", "Mei*");
    v.Type("txtDatum(3)", "01.02.2003");
    v.Type("txtDatum(5)", "28.02.2003");
    v.Type("txtZahl(7)", "1.234,50");  // digit groups as the number input shows them
    v.Type("txtZahl(9)", "");
    return v.Press("btnOK");
  });
  EXPECT_EQ(built, (Strings{"lblParameter(0)@90,100:Name",
                            "txtText(1)@1800,60:", "lblParameter(2)@90,475:Von Geburtstag",
                            "txtDatum(3)@1800,435:", "lblParameter(4)@90,850:Bis Geburtstag",
                            "txtDatum(5)@1800,810:", "lblParameter(6)@90,1225:Von Umsatz",
                            "txtZahl(7)@1800,1185:", "lblParameter(8)@90,1600:Bis Umsatz",
                            "txtZahl(9)@1800,1560:"}));
  EXPECT_EQ(focus, "txtText(1)");
  EXPECT_EQ(height, std::to_string(1560 + 315 + 60 + 60));
  EXPECT_EQ(values, (Strings{"Geburtstag=01.02.2003-28.02.2003", "Name=Mei*", "Umsatz=1234,50-"}));

  // OK wrote the answers over the input kinds.
  auto askKindsAgain = [&] {
    fields.Item("Geburtstag")->value = Variant("DatumVonBis");
    fields.Item("Name")->value = Variant("Text");
    fields.Item("Umsatz")->value = Variant("ZahlVonBis");
  };
  // Only the first date: that date; both masks empty: nothing; numbers both empty:
  // nothing, only the second: up to it.
  askKindsAgain();
  values = Run(fields, Typing({{"txtDatum(3)", "01.02.2003"},
                               {"txtDatum(5)", "__.__.____"},
                               {"txtZahl(7)", ""},
                               {"txtZahl(9)", "50"}}));
  EXPECT_EQ(values, (Strings{"Geburtstag=01.02.2003", "Name=", "Umsatz=-50"}));
  askKindsAgain();
  values = Run(fields, Typing({{"txtDatum(3)", "__.__.____"}, {"txtDatum(5)", "__.__.____"}}));
  EXPECT_EQ(values, (Strings{"Geburtstag=", "Name=", "Umsatz="}));
}

TEST_F(ParameterQueries, NumberingKindsAndCancelFollowTheRules) {
  // 1, 2, 2: the second "2" that names a kind wins; position 3 stays empty.
  VMGridFields fields;
  fields.Add("Name", "Name", "1", Variant("Text"));
  fields.Add("Ort", "Ort", "2", Variant(""));
  fields.Add("Plz", "Postleitzahl", "2", Variant("Text"));
  Strings labels;
  auto values = Run(fields, [&](HeadlessDialogView& v) {
    for (const auto& i : v.Inputs())
      if (i.kind == Kind::Label) labels.push_back(i.caption);
    v.Type("txtText(3)", "10*");
    return v.Press("btnOK");
  });
  EXPECT_EQ(labels, (Strings{"Name", "Postleitzahl"}));
  // A number used twice is asked once and answers both fields.
  EXPECT_EQ(values, (Strings{"Name=", "Ort=10*", "Plz=10*"}));

  // 0 or 4 among three: the message, no inputs; OK empties every value.
  VMGridFields wrong;
  wrong.Add("Name", "Name", "0", Variant("Text"));
  wrong.Add("Ort", "Ort", "4", Variant("Text"));
  wrong.Add("Plz", "Plz", "x", Variant("Text"));
  size_t inputs = 99;
  values = Run(wrong, [&](HeadlessDialogView& v) {
    inputs = v.Inputs().size();
    return v.Press("btnOK");
  });
  EXPECT_EQ(inputs, 0u);
  EXPECT_EQ(TakeMessages(), Strings{"Numerierung der Parameter ist falsch"});
  EXPECT_EQ(values, (Strings{"Name=", "Ort=", "Plz="}));

  // Unknown kinds, "(" without ")", places no column has: a question that cannot be
  // asked is named, no form is shown, and every field keeps its kind, as after Cancel.
  // clang-format off
  for (const auto& [kind, shown] : std::vector<std::pair<std::string, std::string>>{
           {"Liste(3)", "Liste(3)"}, {"Zahl(5,2", "Zahl(5,2"}, {"Zahl(99,99)", "Zahl(99,99)"},
           {"Unbekannt", "Unbekannt"}, {"Text(", "Text("}, {"", ""},
           {std::string(30, 'x') + "äöüäöüäöü", std::string(30, 'x') + "äöüäö…"}}) {
    // clang-format on
    SCOPED_TRACE(kind);
    VMGridFields odd;
    odd.Add("D", "D", "1", Variant("Check"));
    odd.Add("B", "B", "2", Variant(kind));
    bool shownForm = false;
    values = Run(odd, [&](HeadlessDialogView& v) {
      shownForm = true;
      return v.Press("btnOK");
    });
    EXPECT_FALSE(shownForm);
    EXPECT_EQ(values, (Strings{"D=Check", "B=" + kind}));
    EXPECT_EQ(TakeMessages(),
              Strings{"Die Frage 2 des Filters kann nicht gestellt werden: „" + shown +
                      "“ ist keine Art der Eingabe, die der Dialog kennt. Der "
                      "Filter wird nicht angewendet."});
  }

  // Cancel keeps every input kind as it was.
  values = Run(fields, Typing({{"txtText(1)", "Meier"}}, "btnCancel"));
  EXPECT_EQ(values, (Strings{"Name=", "Ort=10*", "Plz=10*"}));
}

TEST_F(ParameterQueries, AQueryWithParametersAsksThemFromTheMenuAndFiltersByTheAnswers) {
  OpenGrid("meier", velmDB);
  Store("Suche", "Nr~=2:ZahlVonBis(5,0)!Name~=1:Text!", "meier");
  Store("Orte", "Ort~=1:Combo!", "meier");
  Store("Doppelt", "Name~=1:Text!Ort~=1:Text!", "meier");
  std::string caption;
  Answer([&](HeadlessDialogView& v) {
    caption = v.Caption();
    v.Type("txtText(1)", "M*");
    v.Type("txtZahl(3)", "1");
    v.Type("txtZahl(5)", "8");
    return v.Press("btnOK");
  });
  PickFromFilterMenu("Suche");
  EXPECT_EQ(caption, "Kunden [Suche]");
  EXPECT_EQ(Column("Nr"), (Strings{"1", "2", "8"}));
  // A negative bound keeps its sign: from -5 on, not a range up to 5.
  Answer(Typing({{"txtText(1)", "M*"}, {"txtZahl(3)", "-5"}}));
  PickFromFilterMenu("Suche");
  EXPECT_EQ(Column("Nr"), (Strings{"1", "2", "8"}));
  EXPECT_TRUE(TakeMessages().empty());

  // Cancel runs nothing: the rows stay, no statement is sent.
  Answer(Typing({}, "btnCancel"));
  TakeLog();
  PickFromFilterMenu("Orte");
  for (auto& l : TakeLog())
    EXPECT_NE(l.find("SELECT DISTINCT Ort"), std::string::npos) << "only the list is read: " << l;
  EXPECT_EQ(Column("Nr"), (Strings{"1", "2", "8"}));

  // The list holds the column's values; the chosen one filters.
  Strings items;
  Answer([&](HeadlessDialogView& v) {
    items = v.ControlItems("cboListe(1)");
    v.Type("cboListe(1)", "Hamburg");
    return v.Press("btnOK");
  });
  PickFromFilterMenu("Orte");
  EXPECT_EQ(items, (Strings{"Berlin", "Bremen", "Hamburg", "Köln", "München"}));
  EXPECT_EQ(Column("Name"), (Strings{"Müller", "Adler"}));

  // Left empty, a parameter is no criterion.
  Answer(Typing({}));
  PickFromFilterMenu("Orte");
  EXPECT_EQ(Column("Nr").size(), 8u);

  // One number in two criteria: asked once, both take the answer.
  size_t asked = 0;
  Answer([&](HeadlessDialogView& v) {
    asked = v.Inputs().size();
    v.Type("txtText(1)", "*e*");
    return v.Press("btnOK");
  });
  PickFromFilterMenu("Doppelt");
  EXPECT_EQ(asked, 2u) << "one label, one input";
  EXPECT_EQ(Column("Name"), (Strings{"Meier", "Becker", "Meiners", "Zander"}));

  // An answer is a criterion like a typed one: quotes stay inside the literal.
  Answer(Typing({{"txtText(1)", "' OR '1'='1"}, {"txtZahl(3)", "1; DELETE FROM Kunden"}}));
  PickFromFilterMenu("Suche");
  EXPECT_TRUE(Column("Nr").empty());
  EXPECT_EQ(Rows("SELECT COUNT(*) FROM Kunden").at(0), "8");
  EXPECT_FALSE(TakeMessages().empty()) << "the number that is none is reported";
}

}  // namespace
}  // namespace vmbgrid::testing
