#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "event_collector/PropertiesNode.h"

namespace event_collector {
namespace {

using utils::ObjectNode;
using utils::ValueNode;

struct ValueCase {
    const char* name;
    ValueNode value;
    std::string json;
};

TEST(JsonWriter, WritesEachKindOfValue) {
    const ValueCase cases[] = {
        {"double with fraction", ValueNode::Number(3.5), "3.5"},
        {"double a million", ValueNode::Number(1e6), "1e+06"},
        {"double six significant digits", ValueNode::Number(3.14159265), "3.14159"},
        {"double negative", ValueNode::Number(-0.25), "-0.25"},
        {"integer", ValueNode::Int(42), "42"},
        {"integer 64-bit extremes", ValueNode::Int(INT64_MIN), "-9223372036854775808"},
        {"string", ValueNode::String("abc"), "\"abc\""},
        {"string utf-8 unchanged", ValueNode::String("安装"), "\"安装\""},
        {"empty list", ValueNode::List({}), "[]"},
        {"list", ValueNode::List({"a", "b\"c"}), "[\"a\",\"b\\\"c\"]"},
        {"true", ValueNode::Bool(true), "true"},
        {"false", ValueNode::Bool(false), "false"},
    };
    for (const auto& c : cases) {
        std::string out;
        c.value.WriteJson(out);
        EXPECT_EQ(out, c.json) << c.name;
    }
}

TEST(JsonWriter, EscapesExactlySevenBytes) {
    const struct {
        std::string text;
        std::string json;
    } cases[] = {
        {"\b", "\"\\b\""},   {"\t", "\"\\t\""},  {"\n", "\"\\n\""},     {"\f", "\"\\f\""},
        {"\r", "\"\\r\""},   {"\"", "\"\\\"\""}, {"\\", "\"\\\\\""},
        // Nothing else is touched: other controls, DEL, slash, high bytes.
        {std::string("\x01\x1f\x7f/", 4), std::string("\"\x01\x1f\x7f/\"", 6)},
        {"\xff\xc0", "\"\xff\xc0\""},
    };
    for (const auto& c : cases) {
        std::string out;
        utils::WriteJsonString(c.text, out);
        EXPECT_EQ(out, c.json);
    }
}

TEST(JsonWriter, SortsKeysByByteValueWithoutWhiteSpace) {
    PropertiesNode node;
    node.SetNumber("qx_app_id", 1);
    node.SetNumber("_under", 2);
    node.SetNumber("Upper", 3);
    node.SetNumber("$lib", 4);
    node.SetNumber("$is_login_id", 5);
    node.SetNumber("lower", 6);
    EXPECT_EQ(node.ToJson(), "{\"$is_login_id\":5,\"$lib\":4,\"Upper\":3,\"_under\":2,\"lower\":6,\"qx_app_id\":1}");
}

TEST(JsonWriter, WritesNestedObjectsButPropertySetsRefuseThem) {
    ObjectNode inner;
    inner.SetValue("b", ValueNode::Int(1));
    ObjectNode outer;
    outer.SetObject("a", inner);
    EXPECT_EQ(outer.ToJson(), "{\"a\":{\"b\":1}}");

    PropertiesNode properties;
    properties.SetObject("a", inner);
    EXPECT_EQ(properties.ToJson(), "{}");
    // Through the base class too: the override is what callers reach.
    static_cast<ObjectNode&>(properties).SetObject("a", inner);
    EXPECT_EQ(properties.ToJson(), "{}");
}

TEST(JsonWriter, WritesDateTimeAsLocalTimeWithMilliseconds) {
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 5;
    local.tm_hour = 7;
    local.tm_min = 8;
    local.tm_sec = 9;
    local.tm_isdst = -1;
    const std::int64_t seconds = std::mktime(&local);
    const struct {
        int milliseconds;
        std::string json;
    } cases[] = {{0, "\"2024-03-05 07:08:09.000\""}, {7, "\"2024-03-05 07:08:09.007\""},
                 {999, "\"2024-03-05 07:08:09.999\""}};
    for (const auto& c : cases) {
        std::string out;
        ValueNode::Time(seconds, c.milliseconds).WriteJson(out);
        EXPECT_EQ(out, c.json);
    }
}

TEST(PropertiesNode, SettersReplaceAndMergeOverwrites) {
    PropertiesNode node;
    node.SetString("k", "first");
    node.SetNumber("k", 7);
    EXPECT_EQ(node.ToJson(), "{\"k\":7}");
    EXPECT_EQ(node.Find("k")->type(), ValueNode::Type::Int);  // a 32-bit number widens to the integer kind

    PropertiesNode other;
    other.SetBool("k", true);
    other.SetList("l", {"x"});
    node.Merge(other);
    EXPECT_EQ(node.ToJson(), "{\"k\":true,\"l\":[\"x\"]}");
}

TEST(PropertiesNode, RefusesNumbersWithoutJsonForm) {
    PropertiesNode node;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(node.SetNumber("nan", std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(node.SetNumber("inf", std::numeric_limits<double>::infinity()));
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(node.Empty());
    EXPECT_NE(errors.find("'nan'"), std::string::npos);
}

}  // namespace
}  // namespace event_collector
