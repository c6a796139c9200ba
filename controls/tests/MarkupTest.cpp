#include "controls/Markup.h"

#include <gtest/gtest.h>

#include "TestWindow.h"
#include "controls/Controls.h"

namespace Controls {
namespace {

using testing::TestWindow;

TEST(Markup, WindowFontsAndCustomAttributes) {
  TestWindow t;
  auto r = t.Build(R"(<?xml version="1.0" encoding="utf-8"?>
<!-- a comment -- with dashes -->
<WINDOW size="360,180" caption="0,0,0,30" roundcorner="4,4" showshadow="true" shadowcolor="#26003B76">
  <font id="0" name="微软雅黑" size="14" default="true"/>
  <Font id="3" name="微软雅黑" size="14" underline="true" bold="true" italic="TRUE"/>
  <Font id="-1" name="ignored" size="99"/>
  <verticallayout name="root"><LABEL name="l" text="a &amp; b &lt;c&gt; &copy;"/></verticallayout>
</WINDOW>)");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(t.window.GetInitSize(), (Size{360, 180}));
  EXPECT_EQ(t.window.GetCaptionRect(), (Rect{0, 0, 0, 30}));
  EXPECT_EQ(t.window.GetRoundCorner(), (Size{4, 4}));
  EXPECT_EQ(t.window.GetCustomAttribute("showshadow"), "true");
  EXPECT_EQ(t.window.GetCustomAttribute("shadowcolor"), "#26003B76");
  EXPECT_FALSE(t.window.GetCustomAttribute("size"));
  EXPECT_FALSE(t.window.GetCustomAttribute("ShowShadow"));
  const FontSpec* f3 = t.window.FindFont(3);
  ASSERT_TRUE(f3);
  EXPECT_TRUE(f3->underline);
  EXPECT_TRUE(f3->bold);
  EXPECT_FALSE(f3->italic);  // only the exact text "true"
  EXPECT_FALSE(t.window.FindFont(-1));
  EXPECT_EQ(t.window.GetFont(-1).size, 14);  // the default
  EXPECT_EQ(t.window.GetRoot()->GetClass(), "VerticalLayout");
  EXPECT_EQ(t.Find("l")->GetText(), "a & b <c> &copy;");
}

TEST(Markup, AttributesApplyInOrderAndNamesAreCaseSensitive) {
  TestWindow t;
  ASSERT_TRUE(t.Build(R"(<Window><HorizontalLayout>
      <Label name="a" pos="0,0,100,50" width="30"/>
      <Label name="b" width="30" pos="0,0,100,50"/>
      <Label name="c" Width="30" TEXT="x" text="y" text="z"/>
    </HorizontalLayout></Window>)").ok);
  EXPECT_EQ(t.Find("a")->GetFixedWidth(), 30);
  EXPECT_EQ(t.Find("a")->GetFixedHeight(), 50);
  EXPECT_EQ(t.Find("b")->GetFixedWidth(), 100);
  EXPECT_EQ(t.Find("c")->GetFixedWidth(), 0);
  EXPECT_EQ(t.Find("c")->GetText(), "z");  // of repeated attributes the last wins
}

TEST(Markup, FactoryMakesUnknownClassesAndUnmadeOnesAreSkippedWithChildren) {
  TestWindow t;
  std::vector<std::string> asked;
  auto factory = [&](std::string_view element) -> std::unique_ptr<Control> {
    asked.emplace_back(element);
    if (element == "Fancy") return std::make_unique<Container>();
    return nullptr;
  };
  ASSERT_TRUE(t.Build(R"(<Window><VerticalLayout name="root">
      <Mystery name="m"><Label name="lost"/></Mystery>
      <Fancy name="f"><Label name="kept"/></Fancy>
      <Image name="builder"/>
      <label name="last"/>
    </VerticalLayout></Window>)", factory).ok);
  EXPECT_EQ(asked, (std::vector<std::string>{"Mystery", "Fancy"}));
  EXPECT_FALSE(t.window.FindControl("m"));
  EXPECT_FALSE(t.window.FindControl("lost"));
  EXPECT_FALSE(t.window.FindControl("builder"));
  ASSERT_TRUE(t.Find("kept"));
  EXPECT_EQ(t.Find("kept")->GetParent(), t.Find("f"));
  auto* root = t.Find<Container>("root");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->Count(), 2);
  EXPECT_EQ(root->GetItemAt(1)->GetName(), "last");
}

TEST(Markup, MalformedMarkupNeverCrashes) {
  const std::string huge(10 * 1024 * 1024, 'x');
  std::string deep = "<Window>";
  for (int i = 0; i < 10000; ++i) deep += "<VerticalLayout>";
  for (int i = 0; i < 10000; ++i) deep += "</VerticalLayout>";
  deep += "</Window>";
  std::string deep_unknown = "<Window><VerticalLayout>";
  for (int i = 0; i < 10000; ++i) deep_unknown += "<Nobody>";
  for (int i = 0; i < 10000; ++i) deep_unknown += "</Nobody>";
  deep_unknown += "</VerticalLayout></Window>";
  std::string wide_row = "<Window><HorizontalLayout childpadding=\"1000000\">";
  for (int i = 0; i < 5000; ++i) wide_row += "<Control width=\"1000000\" padding=\"1000000,0,1000000,0\"/>";
  wide_row += "</HorizontalLayout></Window>";
  std::string just_deep_enough = "<Window>";
  for (int i = 0; i < kMaxMarkupDepth; ++i) just_deep_enough += "<VerticalLayout>";
  for (int i = 0; i < kMaxMarkupDepth; ++i) just_deep_enough += "</VerticalLayout>";
  just_deep_enough += "</Window>";

  struct Case {
    const char* what;
    std::string markup;
    bool ok;
  } cases[] = {
      {"unclosed tag", "<Window><VerticalLayout><Label name=\"a\"></Window>", false},
      {"mismatched close", "<Window><VerticalLayout></verticallayout></Window>", false},
      {"unterminated attribute", "<Window><Label text=\"abc/></Window>", false},
      {"bad entities", "<Window><Label name=\"e\" text=\"&bogus; &#xZZ; & &amp\"/></Window>", true},
      {"10 MB attribute", "<Window><Label text=\"" + huge + "\"/></Window>", false},
      {"deep nesting", deep, false},
      {"deep unknown classes", deep_unknown, true},
      {"nesting at the limit", just_deep_enough, true},
      {"unknown classes with children", "<Window><Foo><Label/><Bar><Label/></Bar></Foo><Label name=\"r\"/></Window>", true},
      {"invalid numbers", "<Window size=\"x,y\" caption=\"1,2\"><Label width=\"-5\" height=\"9999999999\" "
                          "padding=\"1,2,3\" bkcolor=\"#XYZ\" font=\"abc\" textcolor=\"\"/></Window>", true},
      {"no root control", "<Window><Font id=\"0\" name=\"a\" size=\"12\"/></Window>", false},
      {"text only", "just some text", false},
      {"empty", "", false},
      {"byte-order mark", "\xEF\xBB\xBF<Window><Label/></Window>", true},
      {"invalid UTF-8 text", "<Window><Label name=\"u\" text=\"\xFF\xFE\xC0\"/></Window>", true},
      {"sizes adding up past any integer", wide_row, true},
      {"not a Window root", "<VerticalLayout><Label name=\"x\"/></VerticalLayout>", true},
  };
  for (const Case& c : cases) {
    TestWindow t;
    const MarkupResult r = t.Build(c.markup);
    EXPECT_EQ(r.ok, c.ok) << c.what << ": " << r.error;
    t.host.PaintAll();  // painting whatever was built must be safe too
  }
}

TEST(MarkupDeathTest, FailureShowsTheErrorAndExitsWithCodeOne) {
  testing::OpenEmbeddedSkin();
  for (const char* file : {"NoSuchWnd.xml", "res\\mainWnd\\bg1.png"}) {
    EXPECT_EXIT(
        {
          TestWindow t;
          BuildFromPackageOrExit(t.window, file);
        },
        ::testing::ExitedWithCode(1), "Quorvane: 加载资源文件失败")
        << file;
  }
  // Without the package resource there is nothing to build from either.
  EXPECT_EXIT(
      {
        TestWindow t;
        BuildFromResourceOrExit(t.window, "ZIPRES", 148, "MainWnd.xml");
      },
      ::testing::ExitedWithCode(1), "加载资源文件失败");
}

}  // namespace
}  // namespace Controls
