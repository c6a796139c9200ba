#include <gtest/gtest.h>

#include <thread>

#include "TestWindow.h"
#include "controls/Controls.h"

namespace Controls {
namespace {

using testing::TestWindow;

TEST(Layout, FixedSizesSharesPaddingAndFloats) {
  TestWindow t({300, 200});
  ASSERT_TRUE(t.Build(R"(<Window><VerticalLayout name="v" inset="5,5,5,5">
      <Control name="top" height="20" padding="10,2,0,3"/>
      <Control name="share1"/>
      <HorizontalLayout name="row" height="40">
        <Control name="h1" width="50"/><Control name="h2"/><Control name="h3"/><Control name="h4" width="30" height="10"/>
      </HorizontalLayout>
      <Control name="share2"/>
      <Control name="hidden" height="30" visible="false"/>
      <Control name="floater" float="true" pos="7,8,27,18"/>
    </VerticalLayout></Window>)").ok);
  t.window.UpdateLayout();
  EXPECT_EQ(t.Find("v")->GetPos(), (Rect{0, 0, 300, 200}));
  EXPECT_EQ(t.Find("top")->GetPos(), (Rect{15, 7, 295, 27}));
  // 190 inner - 25 (top with padding) - 40 (row) = 125 shared by two; the last takes the odd pixel.
  EXPECT_EQ(t.Find("share1")->GetPos(), (Rect{5, 30, 295, 92}));
  EXPECT_EQ(t.Find("row")->GetPos(), (Rect{5, 92, 295, 132}));
  EXPECT_EQ(t.Find("share2")->GetPos(), (Rect{5, 132, 295, 195}));
  EXPECT_EQ(t.Find("h1")->GetPos(), (Rect{5, 92, 55, 132}));
  EXPECT_EQ(t.Find("h2")->GetPos(), (Rect{55, 92, 160, 132}));
  EXPECT_EQ(t.Find("h3")->GetPos(), (Rect{160, 92, 265, 132}));
  EXPECT_EQ(t.Find("h4")->GetPos(), (Rect{265, 92, 295, 102}));
  EXPECT_EQ(t.Find("floater")->GetPos(), (Rect{7, 8, 27, 18}));

  // Showing a control makes room for it at the next layout.
  t.Find("hidden")->SetVisible(true);
  t.window.UpdateLayout();
  EXPECT_EQ(t.Find("share2")->GetPos().Height(), 125 / 2 + 1 - 15);
  EXPECT_EQ(t.Find("hidden")->GetPos().Height(), 30);
}

TEST(Layout, PagesSwitchWithNewAndPreviousIndex) {
  TestWindow t({200, 100});
  ASSERT_TRUE(t.Build(R"(<Window><TabLayout name="tabs" selectedid="1">
      <Button name="p0"/><Button name="p1"/><Button name="p2"/></TabLayout></Window>)").ok);
  auto* tabs = t.Find<TabLayout>("tabs");
  ASSERT_TRUE(tabs);
  EXPECT_EQ(tabs->GetCurSel(), 1);
  EXPECT_FALSE(t.Find("p0")->IsVisible());
  EXPECT_TRUE(t.Find("p1")->IsVisible());

  EXPECT_TRUE(tabs->SelectItem(2));
  ASSERT_EQ(t.log.size(), 1u);
  EXPECT_EQ(t.log[0].type, "tabselect");
  EXPECT_EQ(t.log[0].sender, tabs);
  EXPECT_EQ(t.log[0].wParam, 2);
  EXPECT_EQ(t.log[0].lParam, 1);
  EXPECT_TRUE(tabs->SelectItem(0, false));  // quietly
  EXPECT_TRUE(tabs->SelectItem(0));         // already shown: nothing to tell
  EXPECT_FALSE(tabs->SelectItem(3));
  EXPECT_FALSE(tabs->SelectItem(-1));
  EXPECT_EQ(t.log.size(), 1u);
  EXPECT_EQ(tabs->GetCurSel(), 0);
  // Only the shown page takes clicks.
  EXPECT_EQ(t.window.FindControlAt({10, 10}), t.Find("p0"));
}

TEST(Input, ClickIsAReleaseInsideThePressedButton) {
  TestWindow t({200, 100});
  ASSERT_TRUE(t.Build(R"(<Window><HorizontalLayout>
      <Button name="a" width="50"/><Button name="b" width="50"/><Label name="c"/></HorizontalLayout></Window>)").ok);
  Control* a = t.Find("a");
  Control* b = t.Find("b");
  auto* button = t.Find<Button>("a");

  t.host.MouseMove({10, 10});
  EXPECT_TRUE(button->IsHot());
  t.host.MouseDown({10, 10});
  EXPECT_TRUE(button->IsPushed());
  EXPECT_TRUE(t.host.Captured());
  t.host.MouseMove({60, 10});  // dragged off: no longer pushed, still captured
  EXPECT_FALSE(button->IsPushed());
  t.host.MouseUp({60, 10});
  EXPECT_EQ(t.Count("click"), 0);
  EXPECT_FALSE(t.host.Captured());

  t.host.Click(t.Centre(b));
  ASSERT_EQ(t.Count("click"), 1);
  EXPECT_EQ(t.log.back().sender, b);
  EXPECT_EQ(t.window.GetFocus(), b);

  t.host.MouseDown({120, 10});  // a label takes no click
  t.host.MouseUp({120, 10});
  EXPECT_EQ(t.Count("click"), 1);

  a->SetEnabled(false);
  t.host.Click(t.Centre(a));
  EXPECT_EQ(t.Count("click"), 1);
  b->SetVisible(false);
  t.host.Click({75, 10});
  EXPECT_EQ(t.Count("click"), 1);
  EXPECT_EQ(t.window.GetFocus(), nullptr);  // hiding the focused control drops the focus
}

TEST(Input, CheckBoxTogglesAndNotifiesAfterTheClick) {
  TestWindow t({200, 100});
  ASSERT_TRUE(t.Build(R"(<Window><VerticalLayout><CheckBox name="cb" height="20" selected="true"/></VerticalLayout></Window>)").ok);
  auto* cb = t.Find<CheckBox>("cb");
  EXPECT_TRUE(cb->IsSelected());
  EXPECT_TRUE(t.log.empty());  // the markup's initial state is not a change
  t.host.Click(t.Centre(cb));
  EXPECT_FALSE(cb->IsSelected());
  ASSERT_EQ(t.log.size(), 2u);
  EXPECT_EQ(t.log[0].type, "click");
  EXPECT_EQ(t.log[1].type, "selectchanged");
  EXPECT_EQ(t.log[1].sender, cb);
  cb->SetCheck(false);  // no change, no notification
  cb->SetCheck(true, false);
  EXPECT_EQ(t.log.size(), 2u);
  cb->SetCheck(false);
  EXPECT_EQ(t.Count("selectchanged"), 2);
}

TEST(Input, EditTypesAtTheCaret) {
  TestWindow t({300, 40});
  ASSERT_TRUE(t.Build(R"(<Window><Edit name="e" text="C:\Program"/></Window>)").ok);
  auto* edit = t.Find<Edit>("e");
  t.host.Type("ignored: no focus");
  EXPECT_EQ(edit->GetText(), "C:\\Program");
  t.host.Click({5, 5});
  EXPECT_TRUE(edit->IsFocused());
  t.host.Type(" Files\r\n");
  EXPECT_EQ(edit->GetText(), "C:\\Program Files");
  t.host.KeyDown(KeyHome);
  t.host.Type("安装");
  t.host.KeyDown(KeyRight);
  t.host.KeyDown(KeyBackspace);
  t.host.KeyDown(KeyLeft);
  t.host.KeyDown(KeyDelete);
  EXPECT_EQ(edit->GetText(), "安:\\Program Files");
  t.host.KeyDown(KeyEnd);
  t.host.KeyDown(KeyBackspace);
  EXPECT_EQ(edit->GetText(), "安:\\Program File");
  t.host.PaintAll();  // the caret is drawn without trouble
}

TEST(Timers, ComeBackAsTimerNotificationsUntilKilled) {
  TestWindow t({100, 100});
  ASSERT_TRUE(t.Build(R"(<Window><VerticalLayout><Label name="a"/><Label name="b"/></VerticalLayout></Window>)").ok);
  Control* a = t.Find("a");
  Control* b = t.Find("b");
  ASSERT_TRUE(t.window.SetTimer(a, 2100, 30));
  ASSERT_TRUE(t.window.SetTimer(b, 10, 100));
  t.host.Advance(29);
  EXPECT_TRUE(t.log.empty());
  t.host.Advance(71);
  ASSERT_EQ(t.Count("timer"), 4);  // a at 30, 60, 90; b at 100
  EXPECT_EQ(t.log[0].sender, a);
  EXPECT_EQ(t.log[0].wParam, 2100);
  EXPECT_EQ(t.log[3].sender, b);
  EXPECT_EQ(t.log[3].wParam, 10);
  t.window.KillTimer(a, 2100);
  ASSERT_TRUE(t.window.SetTimer(b, 10, 50));  // replaces the running one
  t.host.Advance(100);
  EXPECT_EQ(t.Count("timer"), 6);
  // A control that goes away takes its timers with it.
  auto* box = t.window.GetRoot()->AsContainer();
  ASSERT_TRUE(box);
  EXPECT_EQ(t.host.ActiveTimers(), 1);
  t.window.AttachRoot(nullptr);
  EXPECT_EQ(t.host.ActiveTimers(), 0);
}

TEST(Notifications, QueuedOnesArriveWhenPostedWorkRunsEvenFromOtherThreads) {
  TestWindow t({100, 100});
  ASSERT_TRUE(t.Build(R"(<Window><Label name="a"/></Window>)").ok);
  Control* a = t.Find("a");
  std::thread worker([&] { t.window.SendNotify(a, "checknet", 0x40, 0, true); });
  worker.join();
  t.window.SendNotify(a, "install", 1, 0, false);
  ASSERT_EQ(t.log.size(), 1u);
  EXPECT_EQ(t.log[0].type, "install");
  EXPECT_EQ(t.host.RunPosted(), 1);
  ASSERT_EQ(t.log.size(), 2u);
  EXPECT_EQ(t.log[1].type, "checknet");
  EXPECT_EQ(t.log[1].wParam, 0x40);
  EXPECT_EQ(t.log[1].sender, a);
}

TEST(Notifications, QueuedForAWindowThatIsGoneAreDropped) {
  OffscreenHost host;
  {
    Window window(host);
    ASSERT_TRUE(BuildFromText(window, "<Window><Label/></Window>").ok);
    window.AddNotifier([](Notification&) { FAIL() << "delivered to a destroyed window"; });
    window.SendNotify(window.GetRoot(), "late", 0, 0, true);
  }
  EXPECT_EQ(host.RunPosted(), 1);
}

}  // namespace
}  // namespace Controls

namespace Controls {
namespace {

TEST(Input, EditScrollsToKeepTheCaretVisible) {
  testing::TestWindow t({120, 30});
  ASSERT_TRUE(t.Build(R"(<Window><Edit name="e" bkcolor="#FFFFFFFF" textcolor="#FF000000"/></Window>)").ok);
  auto* edit = t.Find<Edit>("e");
  t.host.Click({5, 5});
  t.host.Type("/home/someone/with/a/rather/long/install/path/Quorvane");
  t.host.PaintAll();
  const int full = MeasureText(edit->GetText(), t.window.GetFont(-1)).cx;
  EXPECT_EQ(edit->GetScroll(), full - 120 + 2);
  int dark = 0;  // the caret, in the text colour, stands at the right edge
  for (int y = 0; y < 30; ++y) dark += testing::Red(t.host.PixelAt(119 - 1, y)) < 60;
  EXPECT_GT(dark, 8);
  t.host.KeyDown(KeyHome);
  t.host.PaintAll();
  EXPECT_EQ(edit->GetScroll(), 0);
  t.window.SetFocus(nullptr);
  t.host.PaintAll();
  EXPECT_EQ(edit->GetScroll(), 0);
}

TEST(Layout, ControlsAddedAtRunTimeJoinTheWindow) {
  testing::TestWindow t({100, 100});
  ASSERT_TRUE(t.Build(R"(<Window><VerticalLayout name="v"/></Window>)").ok);
  auto box = std::make_unique<HorizontalLayout>();
  auto* button = box->Add(std::make_unique<Button>());
  button->SetName("late");
  t.Find<Container>("v")->Add(std::move(box));
  EXPECT_EQ(t.window.FindControl("late"), button);
  EXPECT_EQ(button->GetWindow(), &t.window);
  t.host.Click({50, 50});
  EXPECT_EQ(t.Count("click"), 1);
  EXPECT_EQ(t.host.CurrentCursor(), Cursor::Hand);
}

}  // namespace
}  // namespace Controls
