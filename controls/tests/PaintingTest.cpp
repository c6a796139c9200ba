#include <gtest/gtest.h>

#include <cstring>

#include "TestWindow.h"
#include "controls/Controls.h"

namespace Controls {
namespace {

using testing::TestWindow;

std::vector<std::byte> PngOf(cairo_surface_t* s) {
  std::vector<std::byte> out;
  cairo_surface_write_to_png_stream(
      s,
      [](void* closure, const unsigned char* data, unsigned int length) {
        auto* v = static_cast<std::vector<std::byte>*>(closure);
        v->insert(v->end(), reinterpret_cast<const std::byte*>(data), reinterpret_cast<const std::byte*>(data) + length);
        return CAIRO_STATUS_SUCCESS;
      },
      &out);
  return out;
}

// Rows of `r` holding any pixel different from the one at its top-left corner.
std::pair<int, int> InkRows(OffscreenHost& host, const Rect& r) {
  const std::uint32_t background = host.PixelAt(r.left, r.top);
  int first = -1, last = -1;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      if (host.PixelAt(x, y) != background) {
        if (first < 0) first = y;
        last = y;
        break;
      }
    }
  }
  return {first, last};
}

TEST(Painting, MaskTurnsOnlyEqualPremultipliedPixelsTransparent) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 2, 1);
  auto* px = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(s));
  px[0] = 0xFFFF0000;  // opaque pure red
  px[1] = 0x80800000;  // half-transparent red, premultiplied
  cairo_surface_mark_dirty(s);
  auto image = Image::Decode(PngOf(s));
  cairo_surface_destroy(s);
  ASSERT_TRUE(image);
  auto pixels = [](const Image& i) {
    auto* p = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(i.Surface()));
    return std::pair{p[0], p[1]};
  };
  EXPECT_EQ(pixels(*image), (std::pair<std::uint32_t, std::uint32_t>{0xFFFF0000, 0x80800000}));
  // The skin's "#FF0000" has alpha 0: no premultiplied pixel can equal it.
  EXPECT_EQ(pixels(*image->Masked(0x00FF0000)), pixels(*image));
  EXPECT_EQ(pixels(*image->Masked(0xFFFF0000)), (std::pair<std::uint32_t, std::uint32_t>{0, 0x80800000}));
  EXPECT_FALSE(Image::Decode(std::vector<std::byte>(10, std::byte{0x42})));
}

TEST(Painting, SkinFaceFallsBackToTheInstalledChineseFont) {
  testing::OpenEmbeddedSkin();
  const FontSpec face{"微软雅黑", 14};
  EXPECT_EQ(ResolvedFamily(face), "WenQuanYi Micro Hei");
  EXPECT_EQ(CountMissingGlyphs("检测到计算机中已存在此软件，是否为您更新为最新版本？《用户许可协议》Quorvane 1GB", face), 0);
}

TEST(Painting, BackgroundColoursAndNoneForZero) {
  TestWindow t({100, 50});
  ASSERT_TRUE(t.Build(R"(<Window><HorizontalLayout bkcolor="#FF102030">
      <Control width="50" bkcolor="0xFFF5FAFE"/><Control bkcolor="#00000000"/></HorizontalLayout></Window>)").ok);
  EXPECT_EQ(t.host.PixelAt(10, 10), 0xFFF5FAFEu);
  EXPECT_EQ(t.host.PixelAt(60, 10), 0xFF102030u);  // the parent shows through
}

TEST(Painting, VcenterAndCenterBothCentreSingleLineText) {
  for (const char* valign : {"center", "vcenter", ""}) {
    TestWindow t({200, 100});
    const std::string markup = std::string(R"(<Window><Font id="0" name="微软雅黑" size="20" default="true"/>)") +
                               R"(<Label name="l" text="安装Ag" bkcolor="#FFFFFFFF" textcolor="#FF000000" valign=")" +
                               valign + R"("/></Window>)";
    ASSERT_TRUE(t.Build(markup).ok);
    auto [first, last] = InkRows(t.host, Rect{0, 0, 200, 100});
    ASSERT_GE(first, 0) << valign;
    EXPECT_NEAR((first + last) / 2.0, 50, 4) << valign;
  }
  TestWindow top({200, 100});
  ASSERT_TRUE(top.Build(R"(<Window><Label text="安装" bkcolor="#FFFFFFFF" valign="top"/></Window>)").ok);
  EXPECT_LT(InkRows(top.host, Rect{0, 0, 200, 100}).first, 10);
}

TEST(Painting, MultilineWrapsAndBreaksAtCrLf) {
  auto lines = [](const char* text, const char* multiline) {
    TestWindow t({200, 120});
    const std::string markup = std::string(R"(<Window><Label name="l" bkcolor="#FFFFFFFF" multiline=")") + multiline +
                               R"("/></Window>)";
    EXPECT_TRUE(t.Build(markup).ok);
    t.Find("l")->SetText(text);
    auto [first, last] = InkRows(t.host, Rect{0, 0, 200, 120});
    return last - first;
  };
  const int one = lines("安装程序", "true");
  EXPECT_GT(lines("安装程序检测到Quorvane\r\n正在运行", "true"), one + 8);
  EXPECT_GT(lines("很长的一行文字会在标签的宽度处折到下一行继续显示出来", "true"), one + 8);
}

TEST(Painting, ProgressForeImageCoversExactlyTheValuesShare) {
  testing::OpenEmbeddedSkin();
  TestWindow t({410, 8});
  ASSERT_TRUE(t.Build(R"(<Window><Progress name="p" width="410" height="8" isstretchfore="false"
      bkimage="file='res\mainWnd\installPrg1.png' corner='2,2,2,2' mask='#FF0000' fade='255' hole='false' xtiled='false' ytiled='false'"
      foreimage="file='res\mainWnd\installPrg2.png' corner='2,2,2,2' mask='#FF0000' fade='255' hole='false' xtiled='false' ytiled='false'"/></Window>)").ok);
  auto* p = t.Find<Progress>("p");
  const std::uint32_t track = t.host.PixelAt(200, 4);
  for (int value : {0, 1, 37, 50, 99, 100}) {
    p->SetValue(value);
    const int edge = 410 * value / 100;
    EXPECT_EQ(p->ForeRect().Width(), edge);
    if (edge > 4) {
      EXPECT_NE(t.host.PixelAt(edge - 3, 4), track) << value;
    }
    if (edge < 410) {
      EXPECT_EQ(t.host.PixelAt(std::max(edge, 4), 4), track) << value;
    }
  }
  p->SetValue(150);
  EXPECT_EQ(p->GetValue(), 100);
  p->SetValue(-3);
  EXPECT_EQ(p->GetValue(), 0);
}

TEST(Painting, UnknownButtonAttributesChangeNothing) {
  testing::OpenEmbeddedSkin();
  const char* plain = R"(<Window><Font id="4" name="微软雅黑" size="22"/><Button name="b" text="立即安装" font="4"
      textcolor="#FFFFFFFF" bkcolor="0xFF227EFA" hotbkcolor="0xFF4896FF" pushedbkcolor="0xFF066AF2" /></Window>)";
  const char* extra = R"(<Window><Font id="4" name="微软雅黑" size="22"/><Button name="b" text="立即安装" font="4"
      textcolor="#FFFFFFFF" bkcolor="0xFF227EFA" hotbkcolor="0xFF4896FF" hotborercolor="#FFFF0000" hotfont="1"
      pushedfont="0" pushedbkcolor="0xFF066AF2" /></Window>)";
  TestWindow a({232, 50}), b({232, 50});
  ASSERT_TRUE(a.Build(plain).ok);
  ASSERT_TRUE(b.Build(extra).ok);
  auto same = [&](const char* state) {
    a.host.PaintAll();
    b.host.PaintAll();
    const auto size = static_cast<std::size_t>(cairo_image_surface_get_stride(a.host.Surface()) * 50);
    EXPECT_EQ(std::memcmp(cairo_image_surface_get_data(a.host.Surface()), cairo_image_surface_get_data(b.host.Surface()), size), 0)
        << state;
  };
  same("normal");
  EXPECT_EQ(a.host.PixelAt(3, 3), 0xFF227EFAu);
  a.host.MouseMove({100, 25});
  b.host.MouseMove({100, 25});
  same("hot");
  EXPECT_EQ(a.host.PixelAt(3, 3), 0xFF4896FFu);
  a.host.MouseDown({100, 25});
  b.host.MouseDown({100, 25});
  same("pushed");
  EXPECT_EQ(a.host.PixelAt(3, 3), 0xFF066AF2u);
}

TEST(Painting, ImagesDecodeOncePerWindowAndFailuresAreNotRetried) {
  testing::OpenEmbeddedSkin();
  TestWindow t({100, 60});
  ASSERT_TRUE(t.Build(R"(<Window><VerticalLayout>
      <Label name="a" height="20" bkimage="res\mainWnd\Cb1.png"/>
      <Label name="b" height="20" bkimage="file='RES/MAINWND/cb1.png' dest='0,2,16,18'"/>
      <Label name="c" height="20" bkimage="res\common\closebtn4.png"/></VerticalLayout></Window>)").ok);
  t.host.PaintAll();
  t.host.PaintAll();
  EXPECT_EQ(t.window.Images().DecodeCount(), 1);
  EXPECT_NE(t.host.PixelAt(50, 10), 0u);      // stretched over the whole label
  EXPECT_NE(t.host.PixelAt(8, 20 + 10), 0u);  // drawn into its dest only
  EXPECT_EQ(t.host.PixelAt(8, 20 + 1), 0u);
  EXPECT_EQ(t.host.PixelAt(30, 20 + 10), 0u);
  EXPECT_EQ(t.host.PixelAt(5, 45), 0u);       // the missing one draws nothing
}

}  // namespace
}  // namespace Controls

namespace Controls {
namespace {

TEST(Painting, AlignmentWordsAndDefaultsPerClass) {
  struct Case {
    const char* element;
    const char* align;
    const char* valign;
    HAlign h;
    VAlign v;
  } cases[] = {
      {"Label", nullptr, nullptr, HAlign::Left, VAlign::Center},
      {"Button", nullptr, nullptr, HAlign::Center, VAlign::Center},
      {"CheckBox", nullptr, nullptr, HAlign::Center, VAlign::Center},
      {"Label", "center", "center", HAlign::Center, VAlign::Center},
      {"Button", "left", "top", HAlign::Left, VAlign::Top},
      {"Label", "right center", "bottom", HAlign::Right, VAlign::Bottom},  // a later word in the search wins
      {"Label", "left center", "top vcenter", HAlign::Center, VAlign::Center},
      {"Button", "middle", "middle", HAlign::Center, VAlign::Center},      // no known word: unchanged
  };
  for (const Case& c : cases) {
    TestWindow t({100, 40});
    std::string markup = std::string("<Window><") + c.element + " name=\"x\"";
    if (c.align) markup += std::string(" align=\"") + c.align + "\"";
    if (c.valign) markup += std::string(" valign=\"") + c.valign + "\"";
    markup += "/></Window>";
    ASSERT_TRUE(t.Build(markup).ok);
    auto* label = t.Find<Label>("x");
    ASSERT_TRUE(label) << c.element;
    EXPECT_EQ(label->GetTextStyle().halign, c.h) << markup;
    EXPECT_EQ(label->GetTextStyle().valign, c.v) << markup;
  }
}

TEST(Painting, FontStylesChangeTheInk) {
  auto ink = [](const char* font_attributes) {
    TestWindow t({120, 40});
    const std::string markup = std::string(R"(<Window><Font id="0" name="微软雅黑" size="20" default="true" )") +
                               font_attributes + R"(/><Label text="安装Ag" bkcolor="#FFFFFFFF"/></Window>)";
    EXPECT_TRUE(t.Build(markup).ok);
    int dark = 0;
    int lowest = 0;
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 120; ++x) {
        if (testing::Red(t.host.PixelAt(x, y)) < 128) {
          ++dark;
          lowest = y;
        }
      }
    }
    return std::pair{dark, lowest};
  };
  const auto plain = ink("");
  EXPECT_GT(ink("bold=\"true\"").first, plain.first * 11 / 10);
  EXPECT_GT(ink("underline=\"true\"").first, plain.first + 40);
  EXPECT_NE(ink("italic=\"true\""), plain);
}

}  // namespace
}  // namespace Controls

namespace Controls {
namespace {

// A 6x6 image: 2-pixel corners in four colours, grey edges and a centre of
// two columns (black, then blue) so that tiling shows.
std::unique_ptr<Image> GridImage() {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 6, 6);
  auto* px = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(s));
  const int stride = cairo_image_surface_get_stride(s) / 4;
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 6; ++x) {
      const bool left = x < 2, right = x >= 4, top = y < 2, bottom = y >= 4;
      std::uint32_t c = 0xFF808080;
      if (top && left) c = 0xFFFF0000;
      if (top && right) c = 0xFF00FF00;
      if (bottom && left) c = 0xFF0000FF;
      if (bottom && right) c = 0xFFFFFFFF;
      if (!left && !right && !top && !bottom) c = x == 2 ? 0xFF000000 : 0xFF0000FF;
      px[y * stride + x] = c;
    }
  }
  cairo_surface_mark_dirty(s);
  auto image = Image::Decode(PngOf(s));
  cairo_surface_destroy(s);
  return image;
}

TEST(Painting, NineGridKeepsCornersStretchesTheRestAndHonoursFadeHoleAndTiles) {
  auto image = GridImage();
  ASSERT_TRUE(image);
  struct Case {
    const char* what;
    int fade;
    bool hole, xtiled;
    std::vector<std::pair<Point, std::uint32_t>> probes;
  } cases[] = {
      {"stretched", 255, false, false,
       {{{0, 0}, 0xFFFF0000}, {{1, 1}, 0xFFFF0000}, {{19, 0}, 0xFF00FF00}, {{0, 19}, 0xFF0000FF},
        {{19, 19}, 0xFFFFFFFF}, {{10, 0}, 0xFF808080}, {{0, 10}, 0xFF808080}, {{4, 10}, 0xFF000000},
        {{15, 10}, 0xFF0000FF}}},
      {"hole", 255, true, false, {{{0, 0}, 0xFFFF0000}, {{10, 10}, 0u}, {{10, 0}, 0xFF808080}}},
      {"tiled across", 255, false, true,
       {{{2, 10}, 0xFF000000}, {{3, 10}, 0xFF0000FF}, {{4, 10}, 0xFF000000}, {{17, 10}, 0xFF0000FF}}},
      {"faded", 0, false, false, {{{0, 0}, 0u}, {{10, 10}, 0u}}},
  };
  for (const Case& c : cases) {
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 20, 20);
    cairo_t* cr = cairo_create(target);
    DrawNineGrid(cr, *image, Rect{0, 0, 6, 6}, Rect{0, 0, 20, 20}, Rect{2, 2, 2, 2}, c.fade, c.hole, c.xtiled, false);
    cairo_destroy(cr);
    cairo_surface_flush(target);
    auto* px = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(target));
    const int stride = cairo_image_surface_get_stride(target) / 4;
    for (const auto& [p, colour] : c.probes) {
      EXPECT_EQ(px[p.y * stride + p.x], colour) << c.what << " at " << p.x << "," << p.y;
    }
    cairo_surface_destroy(target);
  }
  // Half opacity halves the premultiplied channels.
  cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 20, 20);
  cairo_t* cr = cairo_create(target);
  DrawNineGrid(cr, *image, Rect{0, 0, 6, 6}, Rect{0, 0, 20, 20}, Rect{2, 2, 2, 2}, 128, false, false, false);
  cairo_destroy(cr);
  const std::uint32_t corner = *reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(target));
  EXPECT_NEAR(testing::Alpha(corner), 128, 1);
  EXPECT_NEAR(testing::Red(corner), 128, 1);
  cairo_surface_destroy(target);
}

}  // namespace
}  // namespace Controls
