#include <gtest/gtest.h>

#include "adapters/headless/headless.h"

namespace vmbgrid {
namespace {

// Records the posted messages it receives and re-posts as told.
struct PostRecorder : GridListener {
  std::vector<std::pair<std::string, int>> got;
  std::function<void(GridControl&, int)> onPost;
  void PostEvent(GridControl& g, int id) override {
    got.emplace_back(g.Name(), id);
    if (onPost) onPost(g, id);
  }
};

class HeadlessPlatformTest : public ::testing::Test {
 protected:
  void SetUp() override { p_ = &InstallHeadlessPlatform(); }
  void TearDown() override { ResetHeadlessPlatform(); }
  HeadlessPlatform* p_ = nullptr;
};

TEST_F(HeadlessPlatformTest, PostedMessagesArriveLaterInPostingOrder) {
  HeadlessGrid a("grid"), b("search");
  PostRecorder rec;
  a.SetListener(&rec);
  b.SetListener(&rec);
  rec.onPost = [&](GridControl& g, int id) {
    if (g.Name() == "grid" && id == 1) {
      b.PostMsg(5);  // posted while delivering: after what is already queued
      a.PostMsg(7);
    }
  };
  a.PostMsg(1);
  b.PostMsg(8);
  a.PostMsg(2);
  EXPECT_TRUE(rec.got.empty()) << "PostMsg returns before delivering";
  Platform::Events().ProcessPendingEvents();
  using P = std::pair<std::string, int>;
  EXPECT_EQ(rec.got,
            (std::vector<P>{{"grid", 1}, {"search", 8}, {"grid", 2}, {"search", 5}, {"grid", 7}}));
  EXPECT_EQ(p_->events.Pending(), 0u);
}

TEST_F(HeadlessPlatformTest, NestedRunAndEndlessRepostAreBounded) {
  HeadlessGrid a("grid");
  PostRecorder rec;
  a.SetListener(&rec);
  rec.onPost = [&](GridControl&, int id) {
    if (id == 1) {
      a.PostMsg(2);
      Platform::Events().ProcessPendingEvents();  // "let pending messages run"
      a.PostMsg(3);
    }
  };
  a.PostMsg(1);
  p_->events.ProcessPendingEvents();
  ASSERT_EQ(rec.got.size(), 3u);
  EXPECT_EQ(rec.got[1].second, 2);
  EXPECT_EQ(rec.got[2].second, 3);

  rec.got.clear();
  rec.onPost = [&](GridControl&, int) { a.PostMsg(9); };
  p_->events.MaxDeliveries(50);
  a.PostMsg(9);
  p_->events.ProcessPendingEvents();
  EXPECT_EQ(rec.got.size(), 50u);
  EXPECT_TRUE(p_->events.Overflowed());
}

TEST_F(HeadlessPlatformTest, DestroyedGridLosesItsPendingMessages) {
  PostRecorder rec;
  {
    HeadlessGrid gone("gone");
    gone.SetListener(&rec);
    gone.PostMsg(1);
  }
  p_->events.ProcessPendingEvents();
  EXPECT_TRUE(rec.got.empty());
}

struct FocusRecorder : GridListener {
  std::vector<std::string> log;
  void GotFocus(GridControl& g) override { log.push_back("got " + g.Name()); }
  void LostFocus(GridControl& g) override { log.push_back("lost " + g.Name()); }
};

TEST_F(HeadlessPlatformTest, KeySenderMovesFocusAlongTheForm) {
  HeadlessGrid search("search"), grid("grid");
  FocusRecorder rec;
  search.SetListener(&rec);
  grid.SetListener(&rec);
  p_->form.AddControl("txtName");
  p_->form.AddGrid(search);
  p_->form.AddGrid(grid);
  grid.SetFocus();
  EXPECT_TRUE(grid.HasFocus());
  p_->keys.SendKeys("+{TAB}", false);
  EXPECT_TRUE(search.HasFocus());
  p_->keys.SendKey(16, 9, 0);
  EXPECT_EQ(Platform::Form()->ActiveControlName(), "txtName");
  p_->keys.SendKey(9, 0, 0);
  EXPECT_TRUE(search.HasFocus());
  EXPECT_EQ(rec.log, (std::vector<std::string>{"got grid", "lost grid", "got search", "lost search",
                                               "got search"}));
  EXPECT_EQ(p_->keys.SentTexts(), std::vector<std::string>{"+{TAB}"});
  ASSERT_EQ(p_->keys.SentCodes().size(), 2u);
  EXPECT_EQ(p_->keys.SentCodes()[0].first, 16);
}

TEST_F(HeadlessPlatformTest, KeySenderMovesTheCurrentColumnInDisplayOrder) {
  HeadlessGrid grid("grid");
  p_->form.AddGrid(grid);
  auto array = std::make_shared<XArray>(1, 1, 0, 3);
  grid.BindArray(array);
  grid.Column(2).Visible(false);
  grid.Column(3).Order(0);  // display order 3, 0, 1, (2)
  grid.SetFocus();
  grid.Col(0);
  p_->keys.SendKeys("{Right}", false);
  EXPECT_EQ(grid.Col(), 1);
  p_->keys.SendKeys("{RIGHT}", false);
  EXPECT_EQ(grid.Col(), 1) << "the hidden column is skipped and the end is kept";
  p_->keys.SendKey(37, 0, 0);
  p_->keys.SendKey(37, 0, 0);
  EXPECT_EQ(grid.Col(), 3);
}

TEST_F(HeadlessPlatformTest, ScreenMenusDialogsAndComponents) {
  p_->screen.MousePointer(11);
  p_->screen.MousePointer(0);
  EXPECT_EQ(p_->screen.PointerHistory(), (std::vector<int>{11, 0}));
  p_->screen.WindowOrigin(0x42, 100, 50);
  int x = 10, y = 20;
  Platform::ScreenService().ClientToScreen(0x42, x, y);
  EXPECT_EQ(x, 110);
  EXPECT_EQ(y, 70);

  p_->dialogs.Script("frmGridLayout", [](HeadlessDialogView& v) {
    v.SetControlValue("txtName", Variant("Meins"));
    return true;
  });
  std::unique_ptr<DialogView> view = Platform::Dialogs()->Create("frmGridLayout");
  view->Caption("Layout");
  EXPECT_TRUE(view->ShowModal());
  EXPECT_EQ(view->ControlValue("txtName").ToText(), "Meins");
  EXPECT_FALSE(Platform::Dialogs()->Create("frmQueries")->ShowModal()) << "no script: cancelled";

  struct Clicks : MenuListener {
    std::vector<std::string> names;
    void ToolClick(MenuControl&, const MenuTool& t) override { names.push_back(t.name); }
  } clicks;
  MenuControl* menu = view->Menu();
  menu->SetListener(&clicks);
  menu->AddBand("popTable", "Tabelle");
  menu->AddBand("popSettings", "Einstellungen");
  MenuTool sub, layout;
  sub.name = sub.subBand = "popSettings";
  layout.name = "mnuLayout";
  layout.caption = "&Layout";
  menu->AddToBand("popTable", sub);
  menu->AddToBand("popSettings", layout);
  p_->dialogs.View("frmGridLayout")->HeadlessMenu().QueueClick("mnuLayout");
  menu->PopupMenu("popTable", 5, 6);
  menu->PopupMenu("popTable", 7, 8);  // nothing queued: closed without choice
  EXPECT_EQ(clicks.names, std::vector<std::string>{"mnuLayout"});
  ASSERT_EQ(p_->dialogs.View("frmGridLayout")->HeadlessMenu().Popups().size(), 2u);
  view.reset();
  EXPECT_EQ(p_->dialogs.View("frmGridLayout"), nullptr);

  EXPECT_EQ(Platform::Components().Create("vmdruckgrid.clsgriddruck"), nullptr);
  p_->files.PushAnswer(std::string("/tmp/x.txt"));
  EXPECT_EQ(Platform::Files().Show({}).value_or(""), "/tmp/x.txt");
  EXPECT_FALSE(Platform::Files().Show({}).has_value());
  Platform::Messages().ShowMessage("Hallo", 3);
  Platform::Messages().MessageBox("Box");
  EXPECT_EQ(p_->messages.texts(), (std::vector<std::string>{"Hallo", "Box"}));
  EXPECT_EQ(p_->messages.entries()[1].kind, 0);
}

}  // namespace
}  // namespace vmbgrid
