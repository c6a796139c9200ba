// The installer's six windows, built from the embedded skin on the offscreen
// host. Their pictures are saved beside the test binary for people to look at.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestWindow.h"
#include "controls/Controls.h"

namespace Controls {
namespace {

using testing::TestWindow;

struct Expect {
  const char* name;
  std::string_view cls;
  int width;   // 0 = not fixed
  int height;  // 0 = not fixed
  const char* text;  // nullptr = not checked
};

class SkinWindow : public TestWindow {
 public:
  explicit SkinWindow(const char* file) : TestWindow(Size{1, 1}) {
    testing::OpenEmbeddedSkin();
    result = BuildFromResource(window, "ZIPRES", 147, file, testing::SequenceStandIn);
    host.Resize(window.GetInitSize());
  }
  void Check(const std::vector<Expect>& expected) {
    for (const Expect& e : expected) {
      Control* c = window.FindControl(e.name);
      ASSERT_TRUE(c) << e.name;
      EXPECT_EQ(c->GetClass(), e.cls) << e.name;
      EXPECT_EQ(c->GetFixedWidth(), e.width) << e.name;
      EXPECT_EQ(c->GetFixedHeight(), e.height) << e.name;
      if (e.text) {
        EXPECT_EQ(c->GetText(), e.text) << e.name;
      }
    }
  }
  int FontSize(const char* name) { return window.GetFont(Find<Label>(name)->GetFont()).size; }
  void Save(const std::string& picture) {
    std::filesystem::create_directories(CONTROLS_ARTEFACT_DIR);
    EXPECT_TRUE(host.SavePng(std::string(CONTROLS_ARTEFACT_DIR) + "/" + picture + ".png"));
  }
  // The pixel in the middle of a control, after painting.
  std::uint32_t Middle(const char* name) {
    Point p = Centre(window.FindControl(name));
    return host.PixelAt(p.x, p.y);
  }

  MarkupResult result;
};

Control* FindByImage(Control* c, std::string_view image) {
  if (c->GetBkImage() == image) return c;
  if (Container* box = c->AsContainer()) {
    for (int i = 0; i < box->Count(); ++i) {
      if (Control* hit = FindByImage(box->GetItemAt(i), image)) return hit;
    }
  }
  return nullptr;
}

bool Near(std::uint32_t pixel, std::uint32_t colour, int tolerance = 6) {
  using namespace testing;
  return Alpha(pixel) == Alpha(colour) && std::abs(Red(pixel) - Red(colour)) <= tolerance &&
         std::abs(Green(pixel) - Green(colour)) <= tolerance && std::abs(Blue(pixel) - Blue(colour)) <= tolerance;
}

TEST(SkinWindows, MainWindowHasEveryNamedControl) {
  SkinWindow w("MainWnd.xml");
  ASSERT_TRUE(w.result.ok) << w.result.error;
  EXPECT_EQ(w.window.GetInitSize(), (Size{600, 400}));
  EXPECT_EQ(w.window.GetCaptionRect(), (Rect{0, 0, 0, 35}));
  EXPECT_EQ(w.window.GetRoundCorner(), (Size{2, 2}));
  for (auto [key, value] : {std::pair{"showshadow", "true"}, {"shadowsize", "6"}, {"shadowsharpness", "10"},
                            {"shadowdarkness", "20"}, {"shadowposition", "1,1"}, {"shadowcolor", "#26003B76"}}) {
    EXPECT_EQ(w.window.GetCustomAttribute(key), value) << key;
  }
  const int sizes[] = {14, 18, 14, 12, 22, 40, 16};
  for (int id = 0; id < 7; ++id) {
    ASSERT_TRUE(w.window.FindFont(id)) << id;
    EXPECT_EQ(w.window.FindFont(id)->size, sizes[id]) << id;
    EXPECT_EQ(w.window.FindFont(id)->name, "微软雅黑");
  }
  EXPECT_EQ(w.window.GetFont(-1).size, 14);
  w.Check({
      {"winCtn", "VerticalLayout", 0, 0, nullptr},
      {"titleTabLt", "TabLayout", 200, 0, nullptr},
      {"backBtn", "Button", 46, 18, nullptr},
      {"titleGrpCtn", "HorizontalLayout", 60, 24, nullptr},
      {"minbtn", "Button", 24, 24, nullptr},
      {"closebtn", "Button", 24, 24, nullptr},
      {"mainTabLt", "TabLayout", 0, 0, nullptr},
      {"defaultInstallBtn", "Button", 232, 50, "立即安装"},
      {"tipLbl", "Label", 116, 32, nullptr},
      {"treatyCb", "CheckBox", 58, 20, "已同意"},
      {"treatyBtn", "CheckBox", 100, 20, "《用户许可协议》"},
      {"customeBtn", "Button", 88, 18, nullptr},
      {"installDirEdit", "Edit", 340, 40, nullptr},
      {"chDirBtn", "Button", 80, 40, "修改"},
      {"createDSCb", "CheckBox", 150, 20, "创建桌面快捷方式"},
      {"createQSCb", "CheckBox", 150, 20, "添加到快速启动栏"},
      {"customeInstallBtn", "Button", 232, 50, "立即安装"},
      {"progressAnLb", "Label", 260, 140, nullptr},
      {"progressLb", "Label", 360, 24, "正在安装中:0%，请稍候..."},
      {"installPrg", "Progress", 410, 8, nullptr},
      {"openProduceBtn", "Button", 232, 50, "立即体验"},
      {"bTitleLbl3", "Label", 70, 24, ""},
  });
  EXPECT_EQ(w.FontSize("defaultInstallBtn"), 22);
  EXPECT_EQ(w.FontSize("progressLb"), 18);
  EXPECT_EQ(w.FontSize("bTitleLbl3"), 14);
  EXPECT_EQ(w.Find<Label>("progressLb")->GetTextStyle().halign, HAlign::Center);
  EXPECT_EQ(w.Find<Label>("treatyBtn")->GetTextColor(), 0xFF1675FEu);
  EXPECT_TRUE(w.Find<CheckBox>("treatyCb")->IsSelected());
  EXPECT_TRUE(w.Find<CheckBox>("treatyBtn")->IsSelected());
  EXPECT_TRUE(w.Find<CheckBox>("createDSCb")->IsSelected());
  EXPECT_TRUE(w.Find<CheckBox>("createQSCb")->IsSelected());
  EXPECT_FALSE(w.Find("tipLbl")->IsVisible());
  EXPECT_EQ(w.Find("winCtn")->GetBkImage(), "res\\mainWnd\\bg1.png");
  EXPECT_EQ(w.Find<TabLayout>("mainTabLt")->Count(), 4);
  EXPECT_EQ(w.Find<TabLayout>("titleTabLt")->Count(), 3);
  EXPECT_EQ(w.Find("backBtn")->GetParent()->GetParent(), w.Find("titleTabLt"));
}

// Every page of the wizard, set up the way the wizard shows it, with probes at
// points whose colour the skin fixes.
TEST(SkinWindows, MainWindowPagesPaintTheSkin) {
  SkinWindow w("MainWnd.xml");
  ASSERT_TRUE(w.result.ok) << w.result.error;
  auto* pages = w.Find<TabLayout>("mainTabLt");
  auto* title = w.Find<TabLayout>("titleTabLt");

  w.host.PaintAll();
  const Rect install = w.Find("defaultInstallBtn")->GetPos();
  EXPECT_EQ(w.host.PixelAt(install.left + 6, install.top + 4), 0xFF227EFAu);
  EXPECT_EQ(install.left + install.right, 600) << "the install button is centred";
  w.Save("mainWnd_page0");
  w.host.MouseMove({install.left + 6, install.top + 4});
  EXPECT_EQ(w.host.PixelAt(install.left + 6, install.top + 4), 0xFF4896FFu);
  w.host.MouseMove({1, 399});
  w.Find("tipLbl")->SetVisible(true);
  w.Find<CheckBox>("treatyCb")->SetCheck(false);
  w.Save("mainWnd_page0_tip");

  pages->SelectItem(1);
  title->SelectItem(1);
  w.Find("winCtn")->SetBkImage("res\\mainWnd\\bg2.png");
  w.Find("installDirEdit")->SetText("/home/user/.local/share/Quorvane");
  EXPECT_TRUE(w.Find("backBtn")->IsVisible());
  w.Save("mainWnd_page1");
  EXPECT_NE(w.Middle("backBtn"), 0u);

  pages->SelectItem(2);
  title->SelectItem(2);
  w.Find("titleGrpCtn")->SetVisible(false);
  w.Find("winCtn")->SetBkImage("res\\mainWnd\\bg3.png");
  w.Find<Progress>("installPrg")->SetValue(45);
  w.Find("progressLb")->SetText("正在安装中:45%，请稍候...");
  w.Save("mainWnd_page2");
  const Rect bar = w.Find("installPrg")->GetPos();
  EXPECT_EQ(bar.left + bar.right, 600) << "the bar is centred";
  EXPECT_TRUE(Near(w.host.PixelAt(bar.left + 410 * 45 / 100 + 20, bar.top + 4), 0xFFE3EBF6));
  EXPECT_GT(testing::Blue(w.host.PixelAt(bar.left + 100, bar.top + 4)), 0xE0);
  EXPECT_LT(testing::Red(w.host.PixelAt(bar.left + 100, bar.top + 4)), 0x70);

  pages->SelectItem(3);
  w.Find("titleGrpCtn")->SetVisible(true);
  w.Find("winCtn")->SetBkImage("res\\mainWnd\\bg4.png");
  auto* name = w.Find<Label>("bTitleLbl3");
  name->SetFixedWidth(MeasureText("Quorvane", w.window.GetFont(name->GetFont())).cx);
  name->SetText("Quorvane");
  w.Save("mainWnd_page3");
  const Rect open = w.Find("openProduceBtn")->GetPos();
  EXPECT_EQ(w.host.PixelAt(open.left + 6, open.top + 4), 0xFF227EFAu);
}

TEST(SkinWindows, TitleButtonsClickAndNeverShowTheMissingDisabledImage) {
  SkinWindow w("MainWnd.xml");
  ASSERT_TRUE(w.result.ok);
  for (const char* name : {"minbtn", "closebtn", "customeBtn", "defaultInstallBtn"}) {
    w.log.clear();
    w.host.Click(w.Centre(w.window.FindControl(name)));
    ASSERT_EQ(w.Count("click"), 1) << name;
    EXPECT_EQ(w.log.back().sender, w.window.FindControl(name));
  }
  // The close button looks the same before and after the attempt to load
  // the absent disabled image would have been made.
  const std::uint32_t before = w.Middle("closebtn");
  w.host.MouseMove({300, 200});
  w.host.PaintAll();
  EXPECT_EQ(w.Middle("closebtn"), before);

  w.log.clear();
  w.host.Click(w.Centre(w.window.FindControl("treatyCb")));
  EXPECT_FALSE(w.Find<CheckBox>("treatyCb")->IsSelected());
  ASSERT_EQ(w.Count("selectchanged"), 1);
  EXPECT_EQ(w.log.back().sender, w.window.FindControl("treatyCb"));
}

TEST(SkinWindows, MainWindowPagesAndRootTimersNotify) {
  SkinWindow w("MainWnd.xml");
  ASSERT_TRUE(w.result.ok);
  auto* pages = w.Find<TabLayout>("mainTabLt");
  ASSERT_TRUE(pages->SelectItem(1));
  ASSERT_TRUE(pages->SelectItem(2));
  ASSERT_EQ(w.Count("tabselect"), 2);
  EXPECT_EQ(w.log[0].sender, pages);
  EXPECT_EQ(w.log[0].wParam, 1);
  EXPECT_EQ(w.log[0].lParam, 0);
  EXPECT_EQ(w.log[1].wParam, 2);
  EXPECT_EQ(w.log[1].lParam, 1);
  EXPECT_FALSE(pages->GetItemAt(0)->IsVisible());
  EXPECT_TRUE(pages->GetItemAt(2)->IsVisible());

  w.log.clear();
  Control* root = w.window.GetRoot();
  ASSERT_TRUE(w.window.SetTimer(root, 10, 3000));
  ASSERT_TRUE(w.window.SetTimer(w.Find("progressAnLb"), 2100, 30));
  w.host.Advance(3000);
  EXPECT_EQ(w.Count("timer"), 101);
  auto from_root = std::find_if(w.log.begin(), w.log.end(), [&](const auto& r) { return r.sender == root; });
  ASSERT_NE(from_root, w.log.end());
  EXPECT_EQ(from_root->wParam, 10);
}

TEST(SkinWindows, CaptionBandDragsExceptOverButtons) {
  SkinWindow w("MainWnd.xml");
  ASSERT_TRUE(w.result.ok);
  EXPECT_TRUE(w.window.IsCaptionPoint({300, 10}));
  EXPECT_TRUE(w.window.IsCaptionPoint({599, 34}));
  EXPECT_FALSE(w.window.IsCaptionPoint({300, 35}));
  EXPECT_FALSE(w.window.IsCaptionPoint(w.Centre(w.window.FindControl("closebtn"))));
}

TEST(SkinWindows, SecondWindowDoesNotReopenThePackage) {
  SkinWindow first("MainWnd.xml");
  const int opened = SharedSkin::DecompressCount();
  SkinWindow second("ExitTipWnd.xml");
  ASSERT_TRUE(second.result.ok);
  EXPECT_EQ(SharedSkin::DecompressCount(), opened);
}

struct SmallWindow {
  const char* file;
  Size round;
  const char* darkness;
  const char* colour;
  std::vector<int> font_sizes;
  std::vector<Expect> controls;
  const char* icon;  // nullptr for the message windows
};

std::vector<SmallWindow> SmallWindows() {
  return {
      {"MessageBox1Wnd.xml", {2, 2}, "20", "#26003B76", {14, 16},
       {{"captionLbl", "Label", 0, 0, "CAPTION"}, {"textLbl", "Label", 0, 0, "TEXT"}, {"closebtn", "Button", 24, 24, nullptr}},
       nullptr},
      {"MessageBox2Wnd.xml", {2, 2}, "20", "#26003B76", {14, 14},
       {{"captionLbl", "Label", 0, 0, nullptr}, {"textLbl", "Label", 0, 0, nullptr}, {"closebtn", "Button", 24, 24, nullptr}},
       nullptr},
      {"InstalledPathTipWnd.xml", {4, 4}, "10", "#FFEDF0F4", {14, 16, 14, 14, 12, 30},
       {{"cancelBtn", "Button", 138, 30, "打开软件"}, {"okBtn", "Button", 138, 30, "安装最新版本"},
        {"closebtn", "Button", 24, 24, nullptr}},
       "res\\MessageBoxWnd\\icoWarn.png"},
      {"NetworkTipWnd.xml", {2, 2}, "20", "#26003B76", {14, 13},
       {{"cancelBtn", "Button", 100, 30, "稍后再试"}, {"okBtn", "Button", 100, 30, "重新安装"},
        {"closebtn", "Button", 24, 24, nullptr}},
       "res\\MessageBoxWnd\\icoNetwork.png"},
      {"ExitTipWnd.xml", {4, 4}, "20", "#26003B76", {14, 16, 14, 14, 12, 30},
       {{"okBtn", "Button", 100, 30, "是"}, {"cancelBtn", "Button", 100, 30, "否"}, {"closebtn", "Button", 24, 24, nullptr}},
       "res\\MessageBoxWnd\\icoQuest.png"},
  };
}

TEST(SkinWindows, SmallWindowsMatchTheirDescriptions) {
  const std::map<std::string, std::pair<const char*, const char*>> samples = {
      {"MessageBox1Wnd.xml", {"安装程序检测到Quorvane\r\n正在运行，请退出程序后再安装", "温馨提示"}},
      {"MessageBox2Wnd.xml", {"当前磁盘剩余空间低于1GB，请修改安装路径", "温馨提示"}},
  };
  for (const SmallWindow& s : SmallWindows()) {
    SCOPED_TRACE(s.file);
    SkinWindow w(s.file);
    ASSERT_TRUE(w.result.ok) << w.result.error;
    EXPECT_EQ(w.window.GetInitSize(), (Size{360, 180}));
    EXPECT_EQ(w.window.GetCaptionRect(), (Rect{0, 0, 0, 30}));
    EXPECT_EQ(w.window.GetRoundCorner(), s.round);
    EXPECT_EQ(w.window.GetCustomAttribute("showshadow"), "true");
    EXPECT_EQ(w.window.GetCustomAttribute("shadowdarkness"), s.darkness);
    EXPECT_EQ(w.window.GetCustomAttribute("shadowcolor"), s.colour);
    EXPECT_EQ(w.window.GetCustomAttribute("shadowsize"), "6");
    for (std::size_t id = 0; id < s.font_sizes.size(); ++id) {
      ASSERT_TRUE(w.window.FindFont(static_cast<int>(id)));
      EXPECT_EQ(w.window.FindFont(static_cast<int>(id))->size, s.font_sizes[id]);
      EXPECT_EQ(w.window.FindFont(static_cast<int>(id))->underline, s.font_sizes.size() == 6 && id == 3);
    }
    EXPECT_FALSE(w.window.FindFont(static_cast<int>(s.font_sizes.size())));
    w.Check(s.controls);
    // The title band is 30 pixels of #FFF5FAFE over a white body.
    EXPECT_EQ(w.host.PixelAt(180, 2), 0xFFF5FAFEu);
    EXPECT_EQ(w.host.PixelAt(180, 29), 0xFFF5FAFEu);
    EXPECT_EQ(w.host.PixelAt(3, 40), 0xFFFFFFFFu);
    const Rect close = w.window.FindControl("closebtn")->GetPos();
    EXPECT_GT(close.left, 300);
    EXPECT_LE(close.bottom, 30);
    if (s.icon) {
      EXPECT_FALSE(w.window.FindControl("textLbl"));
      EXPECT_FALSE(w.window.FindControl("captionLbl"));
      Control* icon = FindByImage(w.window.GetRoot(), s.icon);
      ASSERT_TRUE(icon);
      const Rect r = icon->GetPos();
      EXPECT_EQ(r.Width(), 36);
      EXPECT_EQ(testing::Alpha(w.host.PixelAt(r.left + 4, r.top + 18)), 255);
      EXPECT_NE(w.host.PixelAt(r.left + 4, r.top + 18), 0xFFFFFFFFu);
    } else {
      EXPECT_TRUE(w.Find<Label>("textLbl")->GetTextStyle().multiline);
      EXPECT_EQ(w.Find<Label>("textLbl")->GetTextStyle().halign, HAlign::Center);
      EXPECT_EQ(w.FontSize("textLbl"), s.font_sizes[1]);
      EXPECT_EQ(w.FontSize("captionLbl"), s.font_sizes[1]);
      auto [text, caption] = samples.at(s.file);
      w.Find("textLbl")->SetText(text);
      w.Find("captionLbl")->SetText(caption);
    }
    std::string picture = s.file;
    w.Save(picture.substr(0, picture.find('.')));
    // Every button of the window sends its click.
    for (const Expect& e : s.controls) {
      if (e.cls != "Button") continue;
      w.log.clear();
      w.host.Click(w.Centre(w.window.FindControl(e.name)));
      ASSERT_EQ(w.Count("click"), 1) << e.name;
      EXPECT_EQ(w.log.back().sender, w.window.FindControl(e.name));
    }
  }
}

}  // namespace
}  // namespace Controls
