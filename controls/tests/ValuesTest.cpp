#include "controls/Values.h"

#include <gtest/gtest.h>

#include "controls/Image.h"

namespace Controls {
namespace {

TEST(Values, ColoursReadAsArgbWithEitherPrefix) {
  struct Case {
    const char* text;
    std::optional<Color> expect;
  } cases[] = {
      {"#FFF5FAFE", 0xFFF5FAFE}, {"0xFF227EFA", 0xFF227EFA}, {"0XFF227EFA", 0xFF227EFA}, {"#00000000", 0u},
      {"FF0000", 0xFF0000u},     {"#FF0000", 0x00FF0000u},   {"", std::nullopt},        {"#", std::nullopt},
      {"#GG000000", std::nullopt}, {"#1FFFFFFFF", std::nullopt}, {"#FF 00", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseColor(c.text), c.expect) << c.text;
}

TEST(Values, RectanglesAndSizesNeedExactlyTheirNumbers) {
  EXPECT_EQ(ParseRect("0,0,0,35"), (Rect{0, 0, 0, 35}));
  EXPECT_EQ(ParseRect("-1,2,-3,4"), (Rect{-1, 2, -3, 4}));
  for (const char* bad : {"1,2,3", "1,2,3,4,5", "1,,2,3", "a,b,c,d", "", "1;2;3;4", "99999999999,0,0,0"}) {
    EXPECT_FALSE(ParseRect(bad)) << bad;
  }
  EXPECT_EQ(ParseSize("600,400"), (Size{600, 400}));
  EXPECT_FALSE(ParseSize("600"));
  EXPECT_FALSE(ParseSize("600,400,1"));
}

TEST(Values, OnlyExactTrueIsTrue) {
  EXPECT_TRUE(ParseBool("true"));
  for (const char* other : {"TRUE", "True", "1", "yes", "", " true"}) EXPECT_FALSE(ParseBool(other)) << other;
}

TEST(Values, FiveEntitiesDecodedOtherAmpersandsKept) {
  EXPECT_EQ(DecodeEntities("&amp;&lt;&gt;&quot;&apos;"), "&<>\"'");
  EXPECT_EQ(DecodeEntities("a & b &copy; &#65; &amp"), "a & b &copy; &#65; &amp");
  EXPECT_EQ(DecodeEntities("&amp;lt;"), "&lt;");
}

TEST(Values, InvalidUtf8IsReplacedNotPassedOn) {
  EXPECT_EQ(ValidUtf8("安装"), "安装");
  EXPECT_EQ(ValidUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(ValidUtf8("\xE5\xAE"), "\xEF\xBF\xBD\xEF\xBF\xBD");      // cut short
  EXPECT_EQ(ValidUtf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");      // overlong '/'
  EXPECT_EQ(ValidUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
}

TEST(Values, ImageDescriptorForms) {
  ImageDescriptor plain = ImageDescriptor::Parse("res\\mainWnd\\bg1.png");
  EXPECT_EQ(plain.file, "res\\mainWnd\\bg1.png");
  EXPECT_EQ(plain.fade, 255);

  ImageDescriptor full = ImageDescriptor::Parse(
      "file='res\\mainWnd\\installPrg1.png' corner='2,2,2,2' mask='#FF0000' fade='128' hole='true' xtiled='true' "
      "ytiled='false' source='1,2,3,4' dest='0,2,16,18'");
  EXPECT_EQ(full.file, "res\\mainWnd\\installPrg1.png");
  EXPECT_EQ(full.corner, (Rect{2, 2, 2, 2}));
  EXPECT_EQ(full.mask, 0x00FF0000u);
  EXPECT_EQ(full.fade, 128);
  EXPECT_TRUE(full.hole);
  EXPECT_TRUE(full.xtiled);
  EXPECT_FALSE(full.ytiled);
  EXPECT_EQ(full.source, (Rect{1, 2, 3, 4}));
  EXPECT_EQ(full.dest, (Rect{0, 2, 16, 18}));

  // Broken pairs end the scan without harm; what was read before stays.
  ImageDescriptor broken = ImageDescriptor::Parse("file='a.png' dest='1,2");
  EXPECT_EQ(broken.file, "a.png");
  EXPECT_EQ(broken.dest, Rect{});
}

}  // namespace
}  // namespace Controls
