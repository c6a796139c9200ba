#include <gtest/gtest.h>

#include <string>

#include "event_collector/PropertiesNode.h"
#include "event_collector/Sdk.h"
#include "event_collector/Validation.h"

namespace event_collector {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

TEST(Validation, IdentifierLengthLimits) {
    const struct {
        std::string id;
        bool ok;
        std::string message;
    } cases[] = {
        {"a", true, ""},
        {std::string(255, 'x'), true, ""},
        {std::string(256, 'x'), false, "The Distinct ID is too long, max length is 255.\n"},
        {"", false, "The Distinct ID is empty.\n"},
        // The id goes into every record: bytes the collector cannot read would spoil every batch.
        {"\xe5\xae\x89\xe8\xa3\x85-7", true, ""},
        {"dev\x01ice", false, "The Distinct ID is not valid UTF-8 string.\n"},
        {std::string("nul\0", 4), false, "The Distinct ID is not valid UTF-8 string.\n"},
        {"\xff\xfe", false, "The Distinct ID is not valid UTF-8 string.\n"},
    };
    for (const auto& c : cases) {
        CaptureStderr();
        EXPECT_EQ(CheckIdentifier("Distinct ID", c.id), c.ok) << c.id.size();
        EXPECT_EQ(GetCapturedStderr(), c.message);
    }
}

TEST(Validation, InitRefusesABadDistinctIdAndCreatesNothing) {
    CaptureStderr();
    EXPECT_FALSE(Sdk::Init("unused", "http://127.0.0.1:9/", std::string(256, 'x'), false));
    EXPECT_EQ(GetCapturedStderr(), "The Distinct ID is too long, max length is 255.\n");
    Sdk::Track("ignored");  // no client: nothing happens
    EXPECT_EQ(Sdk::QueuedCount(), 0u);
    EXPECT_FALSE(Sdk::Flush());
}

TEST(Validation, KeyRule) {
    const std::string tooLong = "The Property Key is empty or too long, max length is 100";
    const std::string badByte = "The Property Key need to be a valid variable name.";
    const struct {
        std::string key;
        bool ok;
        std::string message;
    } cases[] = {
        {"a", true, ""},
        {"_under", true, ""},
        {"$dollar", true, ""},
        {"Z9_$", true, ""},
        {std::string(100, 'k'), true, ""},
        {std::string(101, 'k'), false, tooLong},
        {"", false, tooLong},
        {"9lives", false, badByte},
        {"has space", false, badByte},
        {"dash-ed", false, badByte},
        {"dot.ted", false, badByte},
        {"\xc3\xa9t\xc3\xa9", false, badByte},
    };
    for (const auto& c : cases) {
        CaptureStderr();
        EXPECT_EQ(CheckKey("Property Key", c.key), c.ok) << c.key;
        EXPECT_EQ(GetCapturedStderr(), c.message) << c.key;  // these two messages have no line end
    }
}

TEST(Validation, Utf8Table) {
    const struct {
        const char* name;
        std::string text;
        bool ok;
    } cases[] = {
        {"ascii and allowed controls", "a b\t\n\r~", true},
        {"two bytes", "\xc2\x80\xdf\xbf", true},
        {"three bytes", "\xe0\xa0\x80\xe4\xb8\xad\xef\xbf\xbf", true},
        {"four bytes", "\xf0\x90\x80\x80\xf4\x8f\xbf\xbf", true},
        {"other control", "\x01", false},
        {"delete", "\x7f", false},
        {"nul", std::string(1, '\0'), false},
        {"lone continuation", "\x80", false},
        {"overlong two bytes C0", "\xc0\xaf", false},
        {"overlong two bytes C1", "\xc1\xbf", false},
        {"overlong three bytes", "\xe0\x80\xaf", false},
        {"overlong four bytes", "\xf0\x80\x80\xaf", false},
        {"surrogate", "\xed\xa0\x80", false},
        {"last before surrogates", "\xed\x9f\xbf", true},
        {"past U+10FFFF", "\xf4\x90\x80\x80", false},
        {"F5 lead", "\xf5\x80\x80\x80", false},
        {"FF", "\xff", false},
        {"cut two-byte", "a\xc3", false},
        {"cut three-byte", "\xe4\xb8", false},
        {"cut four-byte", "\xf0\x90\x80", false},
        {"bad continuation", "\xe4\x41\x80", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.text), c.ok) << c.name;
}

TEST(Validation, StringValueLimits) {
    PropertiesNode node;
    EXPECT_TRUE(node.SetString("k", std::string(8192, 'a')));
    EXPECT_EQ(node.Find("k")->AsString().size(), 8192u);

    CaptureStderr();
    EXPECT_FALSE(node.SetString("long", std::string(8193, 'a')));
    EXPECT_EQ(GetCapturedStderr(), "String property 'long' is too long, value: " + std::string(8193, 'a') + "\n");
    EXPECT_EQ(node.Find("long"), nullptr);

    CaptureStderr();
    EXPECT_FALSE(node.SetString("bad", "\xc0\xaf"));
    EXPECT_EQ(GetCapturedStderr(), "String property 'bad' is not valid UTF-8 string, value: \xc0\xaf\n");
    EXPECT_EQ(node.Find("bad"), nullptr);
    // A refused value leaves an earlier one in place.
    EXPECT_FALSE(node.SetString("k", std::string(9000, 'b')));
    EXPECT_EQ(node.Find("k")->AsString().size(), 8192u);
}

TEST(Validation, ListElementsFollowTheUtf8Rule) {
    const struct {
        std::vector<std::string> values;
        bool ok;
        std::string message;
    } cases[] = {
        {{}, true, ""},
        {{"beta", "\xe4\xb8\xad", "tab\there"}, true, ""},
        {{"ok", "esc\x1b[0m"}, false, "String property 'tags' is not valid UTF-8 string, value: esc\x1b[0m\n"},
        {{"\xc0\xaf", "ok"}, false, "String property 'tags' is not valid UTF-8 string, value: \xc0\xaf\n"},
        {{std::string(9000, 'a')}, true, ""},  // lists have no length limit
    };
    for (const auto& c : cases) {
        PropertiesNode node;
        node.SetList("tags", {"earlier"});
        CaptureStderr();
        EXPECT_EQ(node.SetList("tags", c.values), c.ok) << c.message;
        EXPECT_EQ(GetCapturedStderr(), c.message);
        // A refused list leaves the earlier value in place.
        EXPECT_EQ(node.Find("tags")->AsList(), c.ok ? c.values : std::vector<std::string>{"earlier"});
    }
}

}  // namespace
}  // namespace event_collector
