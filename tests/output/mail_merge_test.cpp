// Mail merge and the address basket with recording office components: the data
// forms (the Müller example), the member calls, the component choice made once,
// and the messages.
#include "output/mail_merge.h"

#include "core/settings_store.h"
#include "layout/option_store.h"
#include "tests/output/output_fixture.h"

namespace vmbgrid::testing {
namespace {

using namespace output;

class MailMergeTest : public OutputTest {
 protected:
  void SetUp() override {
    OutputTest::SetUp();
    MailMerge::ResetComponentChoice();
    office_ = Record(kOfficeComponent);
    office_->answers["RootPfad"] = Variant(dir_.string());
    office_->answers["DokumentPfad"] = Variant("Dok");
    office_->answers["ShowSerienDokuDialog"] = Variant(int32_t{1});
    office_->effects["ShowSerienDokuDialog"] = [](std::vector<ComponentArg>& a) {
      a[0].value = Variant(int32_t{7});
    };
  }
  void TearDown() override {
    MailMerge::ResetComponentChoice();
    OutputTest::TearDown();
  }
  VMGrid& Mueller() {
    VMGrid& g = HostRows({{"Müller; Sohn ", "Köln"}, {"Meier", "Bonn \"Zentrum\""}});
    g.user("meier");
    return g;
  }
  std::shared_ptr<RecordingComponent::Log> office_;
};

TEST_F(MailMergeTest, OlderComponentGetsTheVariableArrayAndStartsWord) {
  VMGrid& g = Mueller();
  g.seriendruck();
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_EQ(office_->Members(),
            (std::vector<std::string>{"GetSettings", "RootPfad", "ShowSerienDokuDialog",
                                      "Create_SteuerdateiAusArray", "Starte_Word"}))
      << "no address check for a plain mail merge";
  EXPECT_EQ(office_->properties["ConnectString"].ToText(), g.ConnectionString());
  EXPECT_EQ(office_->properties["StartAppID"].Type(), VarType::Int16);
  EXPECT_EQ(office_->properties["StartAppID"].ToInt32(), 1);
  EXPECT_EQ(office_->properties["user"].ToText(), "meier");

  auto array = office_->objects["VariablenArray"].As<XArray>();
  ASSERT_NE(array, nullptr);
  ASSERT_EQ(array->Count(1), 3);
  ASSERT_EQ(array->Count(2), 2);
  EXPECT_EQ(array->Value(0, 0).ToText(), "Name");
  EXPECT_EQ(array->Value(0, 1).ToText(), "Ort");
  EXPECT_EQ(array->Value(1, 0).ToText(), "Müller Sohn") << "no semicolon, no trailing blank";
  EXPECT_EQ(array->Value(2, 1).ToText(), "Bonn Zentrum");

  const auto& dialog = office_->Find("ShowSerienDokuDialog")->args;
  ASSERT_EQ(dialog.size(), 3u);
  EXPECT_TRUE(dialog[0].byRef && dialog[1].byRef && dialog[2].byRef);
  const auto& word = office_->Find("Starte_Word")->args;
  ASSERT_EQ(word.size(), 6u);
  EXPECT_EQ(word[0].value, Variant(false));
  EXPECT_TRUE(word[1].value.IsMissing() && word[2].value.IsMissing());
  EXPECT_EQ(word[3].value, Variant(true));
  EXPECT_TRUE(word[4].byRef && word[5].byRef);
  EXPECT_EQ(platform_->screen.MousePointer(), kPointerDefault);

  // Serial e-mail asks whether the addresses are usable; "no" stops before Word.
  office_->calls.clear();
  office_->answers["Prüfe_EMailAdressen"] = Variant(false);
  bool serien = true, sammel = false;
  g.seriendruck(serien, sammel);
  EXPECT_EQ(office_->Members().back(), "Prüfe_EMailAdressen");
}

TEST_F(MailMergeTest, NewerComponentIsChosenOnceAndGetsTheDataText) {
  auto sw = Record(kSwitchComponent);
  sw->answers["IstNeuAktiv"] = Variant(true);
  auto doc = Record(kDocumentComponent);
  VMGrid& g = Mueller();
  g.seriendruck();  // the older component's dialog numbers the document first
  ASSERT_EQ(doc->Members(), (std::vector<std::string>{"ShowSerienDruck", "Dispose"}));
  EXPECT_EQ(sw->calls[0].args[0].value.ToText(), "frmDokumente");
  const auto& args = doc->calls[0].args;
  ASSERT_EQ(args.size(), 15u);
  EXPECT_EQ(args[13].value.ToText(),
            "\"Name\";\"Ort\"|\"Müller; Sohn\";\"Köln\"|\"Meier\";\"Bonn \"Zentrum\"\"")
      << "the semicolon stays, only the trailing blank goes";
  EXPECT_TRUE(args[13].byRef && args[14].byRef && args[1].byRef && args[2].byRef);
  EXPECT_EQ(args[14].value, Variant(false));
  EXPECT_EQ(args[8].value.ToText(), "0");
  EXPECT_EQ(args[0].value, Variant(true));
  EXPECT_EQ(args[7].value, Variant(true));
  EXPECT_EQ(args[12].value, Variant(""));

  sw->answers["IstNeuAktiv"] = Variant(false);
  g.seriendruck();
  EXPECT_EQ(doc->calls.size(), 4u) << "the choice is made once per process";
  EXPECT_EQ(sw->calls.size(), 1u);
  EXPECT_TRUE(office_->calls.empty());
}

TEST_F(MailMergeTest, ComponentsGetTheCellValuesNotTheirDisplayTexts) {
  auto sw = Record(kSwitchComponent);
  sw->answers["IstNeuAktiv"] = Variant(true);
  auto doc = Record(kDocumentComponent);
  VMGrid& g = Make();
  g.AddField({.name = "Nr"});
  g.AddField({.name = "Umsatz", .FormatString = "#,##0.00"});
  g.AddField({.name = "Geburtstag"});
  g.AddField({.name = "Betrag"});
  g.AddRestriction("Nr", Variant(int32_t{1}));
  g.GridFields().Item("Nr")->AddValue(Variant(int32_t{1}), Variant("eins"));
  g.Requery();
  const int umsatz = ColumnOf("Umsatz");
  ASSERT_EQ(main_.CellText(0, umsatz), "1.500,50");
  ASSERT_EQ(main_.CellText(0, ColumnOf("Nr")), "eins");
  g.seriendruck();
  ASSERT_EQ(doc->calls.size(), 2u);
  EXPECT_EQ(doc->calls[0].args[13].value.ToText(),
            "\"Nr\";\"Umsatz\";\"Geburtstag\";\"Betrag\"|\"1\";\"1500,5\";\"01.03.1960\";\"10\"");
}

TEST_F(MailMergeTest, MissingComponentsAndRootShowTheSpecifiedMessagesOrNothing) {
  VMGrid& g = Mueller();
  office_->answers["RootPfad"] = Variant("   ");
  g.seriendruck();
  EXPECT_EQ(office_->Members(), (std::vector<std::string>{"GetSettings", "RootPfad"}));
  EXPECT_TRUE(TakeMessages().empty()) << "no root folder ends silently";

  office_->answers["RootPfad"] = Variant(dir_.string());
  office_->answers["ShowSerienDokuDialog"] = Variant(int32_t{0});
  office_->calls.clear();
  g.seriendruck();
  EXPECT_EQ(office_->Members().back(), "ShowSerienDokuDialog");
  EXPECT_TRUE(TakeMessages().empty()) << "a cancelled dialog ends silently";

  platform_->components.Unregister(kOfficeComponent);
  g.seriendruck();
  ASSERT_EQ(MessageEntries().size(), 1u);
  EXPECT_EQ(MessageEntries()[0].text, kControlFileFailed);
  EXPECT_EQ(MessageEntries()[0].kind, 0) << "a plain message box";
  TakeMessages();
  bool serien = false, sammel = false;
  g.SerienDruckNET(serien, sammel);
  EXPECT_EQ(TakeMessages(), std::vector<std::string>{kMailMergeFailed});
  EXPECT_EQ(platform_->screen.MousePointer(), kPointerDefault);
}

TEST_F(MailMergeTest, BasketKeepsAnAddressWithASemicolonInOneField) {
  VMGrid& g = Mueller();
  std::shared_ptr<Component> none;
  bool all = true;
  g.SpeichernSammelKorbAdressen(none, all);
  EXPECT_TRUE(platform_->components.Requested().empty()) << "nothing without a basket manager";

  fs::create_directories(dir_ / "Dok");
  std::shared_ptr<Component> manager =
      std::make_shared<RecordingComponent>(std::make_shared<RecordingComponent::Log>());
  g.SpeichernSammelKorbAdressen(manager, all);
  EXPECT_TRUE(TakeMessages().empty());
  const fs::path basket = dir_ / "Dok" / "meier_vmOffSeriendruck.txt";
  ASSERT_TRUE(fs::exists(basket));
  EXPECT_EQ(Read(basket), "\"Müller; Sohn \";\"Köln\"\r\n\"Meier\";\"Bonn \"\"Zentrum\"\"\"\r\n");
  auto array = office_->objects["VariablenArray"].As<XArray>();
  ASSERT_NE(array, nullptr);
  ASSERT_EQ(array->Count(1), 3);
  EXPECT_EQ(array->Value(1, 0).ToText(), "Müller Sohn ");
  EXPECT_EQ(array->Value(1, 1).ToText(), "Köln") << "no column shifted";
  EXPECT_EQ(array->Value(2, 1).ToText(), "Bonn Zentrum");
  const RecordedCall* create = office_->Find("Create_SammelkorbAusArray");
  ASSERT_NE(create, nullptr);
  EXPECT_EQ(create->args[0].object.As<Component>(), manager);
  EXPECT_EQ(
      g.Settings().ReadSetting(g.Options().Section(), "ParentFolderName", "meier", "Standard", ""),
      (dir_ / "Dok").string() + "/");

  // Only the current row.
  all = false;
  main_.Bookmark(main_.RowBookmark(1));
  g.SpeichernSammelKorbAdressen(manager, all);
  array = office_->objects["VariablenArray"].As<XArray>();
  ASSERT_EQ(array->Count(1), 2);
  EXPECT_EQ(array->Value(1, 0).ToText(), "Meier");
}

}  // namespace
}  // namespace vmbgrid::testing
