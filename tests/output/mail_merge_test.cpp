// Mail merge and the address basket with recording office components: the data
// forms (the Müller example), the member calls and the messages.
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
