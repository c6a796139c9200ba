#include "platform/code_page.h"

#include <gtest/gtest.h>

#include "platform/environment.h"

namespace {

using platform::CodePageToUtf8;
using platform::Utf8ToCodePage;

const std::string kChinese = "安装包安装失败";  // UTF-8
const std::string kChineseGbk = "\xB0\xB2\xD7\xB0\xB0\xFC\xB0\xB2\xD7\xB0\xCA\xA7\xB0\xDC";

TEST(CodePage, RoundTrips) {
    struct Case {
        std::uint32_t code_page;
        std::string utf8, encoded;
    };
    const Case cases[] = {
        {.code_page = 936, .utf8 = "State=" + kChinese + "\n", .encoded = "State=" + kChineseGbk + "\n"},
        {.code_page = 65001, .utf8 = "InstPath=/opt/软件\n", .encoded = "InstPath=/opt/软件\n"},
        {.code_page = 1252, .utf8 = "caf\xC3\xA9", .encoded = "caf\xE9"},
        {.code_page = 1200, .utf8 = "A€", .encoded = std::string("A\0\xAC\x20", 4)},
        {.code_page = 54936, .utf8 = "😀", .encoded = "\x94\x39\xFC\x36"},
        {.code_page = 936, .utf8 = "", .encoded = ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CodePageToUtf8(c.encoded, c.code_page), c.utf8) << c.code_page;
        EXPECT_EQ(Utf8ToCodePage(c.utf8, c.code_page), c.encoded) << c.code_page;
    }
}

TEST(CodePage, BadBytesAreReplacedAndTheRestSurvives) {
    struct Case {
        std::uint32_t code_page;
        std::string input, expected;
    };
    const Case cases[] = {
        // A GBK lead byte without its trail byte, then the rest of the text.
        {.code_page = 936, .input = "a\x81\nb\n" + kChineseGbk, .expected = "a\xEF\xBF\xBD\nb\n" + kChinese},
        {.code_page = 936, .input = "\xFFState=x", .expected = "\xEF\xBF\xBDState=x"},
        // A GBK character cut off at the end of a chunk.
        {.code_page = 936, .input = "Progress=0.5\n\xB0", .expected = "Progress=0.5\n\xEF\xBF\xBD"},
        {.code_page = 65001, .input = "x\xFF\xFEy\n", .expected = "x\xEF\xBF\xBD\xEF\xBF\xBDy\n"},
        {.code_page = 65001, .input = "end\xE5\xAE", .expected = "end\xEF\xBF\xBD\xEF\xBF\xBD"},
        {.code_page = 65001, .input = std::string("nul\0byte", 8), .expected = std::string("nul\0byte", 8)},
    };
    for (const auto& c : cases) EXPECT_EQ(CodePageToUtf8(c.input, c.code_page), c.expected) << c.code_page;
}

TEST(CodePage, UnmappableAndBrokenUtf8BecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToCodePage("a😀b", 936), "a?b");
    EXPECT_EQ(Utf8ToCodePage("a\xFF" "b", 936), "a?b");
    EXPECT_EQ(Utf8ToCodePage("€", 1252), "\x80");
}

TEST(CodePage, UnknownCodePageIsReported) {
    EXPECT_FALSE(platform::IsCodePageSupported(12345));
    EXPECT_EQ(CodePageToUtf8("abc", 12345), std::nullopt);
    EXPECT_EQ(Utf8ToCodePage("abc", 12345), std::nullopt);
    EXPECT_TRUE(platform::IsCodePageSupported(936));
    EXPECT_TRUE(platform::IsCodePageSupported(platform::kCodePageAnsi));
}

TEST(CodePage, SystemCodePageFromOverride) {
    {
        platform::ScopedEnvironmentVariable ansi("QUORVANE_ANSI_CODEPAGE", "936");
        EXPECT_EQ(platform::SystemCodePage(), 936u);
        EXPECT_EQ(CodePageToUtf8(kChineseGbk, platform::kCodePageAnsi), kChinese);
    }
    platform::ScopedEnvironmentVariable ansi("QUORVANE_ANSI_CODEPAGE", "not a number");
    EXPECT_NE(platform::SystemCodePage(), 0u);
}

TEST(CodePage, Utf16Lengths) {
    struct Case {
        std::string text;
        std::size_t units;
        std::size_t cut_at_3;  // bytes kept by TruncateToUtf16Length(text, 3)
    };
    const Case cases[] = {
        {.text = "", .units = 0, .cut_at_3 = 0},
        {.text = "abcd", .units = 4, .cut_at_3 = 3},
        {.text = "安装包安", .units = 4, .cut_at_3 = 9},
        {.text = "a😀b", .units = 4, .cut_at_3 = 5},
        {.text = "ab😀", .units = 4, .cut_at_3 = 2},  // never half a surrogate pair
        {.text = "a\xFF", .units = 2, .cut_at_3 = 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::Utf16Length(c.text), c.units) << c.text;
        EXPECT_EQ(platform::TruncateToUtf16Length(c.text, 3).size(), c.cut_at_3) << c.text;
    }
}

}  // namespace
