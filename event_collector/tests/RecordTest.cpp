#include <gtest/gtest.h>

#include "TestSupport.h"
#include "event_collector/RecordBuilder.h"

namespace event_collector {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;
using testing::RecordingSender;
using testing::SdkTest;
using nlohmann::json;

PropertiesNode SuperProperties() {
    PropertiesNode node;
    node.SetString("$lib", "cpp");
    node.SetString("$lib_version", "0.7");
    return node;
}

TEST(BuildRecord, TrackRecordHasItsMembersInKeyOrder) {
    PropertiesNode properties;
    properties.SetString("qx_page", "home");
    properties.SetString("$project", "pc");
    const PropertiesNode super = SuperProperties();
    RecordInput input{.type = "track",
                      .eventName = "install_click",
                      .properties = &properties,
                      .distinctId = "user-1",
                      .superProperties = &super,
                      .nowMilliseconds = 1700000000123};
    EXPECT_EQ(*BuildRecord(input),
              "{\"distinct_id\":\"user-1\",\"event\":\"install_click\","
              "\"lib\":{\"$lib\":\"cpp\",\"$lib_method\":\"code\",\"$lib_version\":\"0.7\"},\"project\":\"pc\","
              "\"properties\":{\"$lib\":\"cpp\",\"$lib_version\":\"0.7\",\"qx_page\":\"home\"},"
              "\"time\":1700000000123,\"type\":\"track\"}");
}

TEST(BuildRecord, SignupRecordCarriesOriginalIdAfterLib) {
    const PropertiesNode super = SuperProperties();
    RecordInput input{.type = "track_signup",
                      .eventName = "$SignUp",
                      .distinctId = "login-9",
                      .originalId = "anon-1",
                      .superProperties = &super,
                      .isLoginId = true,
                      .nowMilliseconds = 5};
    EXPECT_EQ(*BuildRecord(input),
              "{\"distinct_id\":\"login-9\",\"event\":\"$SignUp\","
              "\"lib\":{\"$lib\":\"cpp\",\"$lib_method\":\"code\",\"$lib_version\":\"0.7\"},\"original_id\":\"anon-1\","
              "\"properties\":{\"$is_login_id\":true,\"$lib\":\"cpp\",\"$lib_version\":\"0.7\"},"
              "\"time\":5,\"type\":\"track_signup\"}");
}

TEST(BuildRecord, TimePropertyBecomesTheRecordTime) {
    PropertiesNode properties;
    properties.SetDateTime("$time", 1700000000, 250);
    RecordInput input{.type = "profile_set", .properties = &properties, .distinctId = "u", .nowMilliseconds = 1};
    const json record = json::parse(*BuildRecord(input));
    EXPECT_EQ(record["time"], 1700000000250);
    EXPECT_FALSE(record["properties"].contains("$time"));
}

TEST(BuildRecord, RefusalsDropTheRecord) {
    PropertiesNode badTime, badProject, badKey, good;
    badTime.SetString("$time", "yesterday");
    badProject.SetNumber("$project", 3);
    badKey.SetValue("1st", utils::ValueNode::Int(1));  // slipped past the setters
    PropertiesNode badList, badString;
    badList.SetValue("tags", utils::ValueNode::List({"ok", "bell\x07"}));
    badString.SetValue("qx_text", utils::ValueNode::String("\xff"));
    const struct {
        const char* type;
        const char* event;
        const PropertiesNode* properties;
        const char* originalId;
        std::string message;
    } cases[] = {
        {"track", "e", &badTime, "", "The property '$time' should be DateTime type."},
        {"track", "e", &badProject, "", "The property '$project' should be String type."},
        {"profile_set", "", &badKey, "", "The Property Key need to be a valid variable name."},
        {"track", "bad event", &good, "", "The Event Name need to be a valid variable name."},
        {"track", "", &good, "", "The Event Name is empty or too long, max length is 100"},
        {"track_signup", "$SignUp", &good, "", "The Original ID is empty.\n"},
        {"track_signup", "$SignUp", &good, "anon\x1f", "The Original ID is not valid UTF-8 string.\n"},
        {"profile_append", "", &badList, "", "String property 'tags' is not valid UTF-8 string, value: bell\x07\n"},
        {"track", "e", &badString, "", "String property 'qx_text' is not valid UTF-8 string, value: \xff\n"},
    };
    for (const auto& c : cases) {
        RecordInput input{.type = c.type, .eventName = c.event, .properties = c.properties, .distinctId = "u",
                          .originalId = c.originalId};
        CaptureStderr();
        EXPECT_FALSE(BuildRecord(input).has_value()) << c.message;
        EXPECT_EQ(GetCapturedStderr(), c.message);
    }
}

class SdkRecords : public SdkTest {
protected:
    void SetUp() override {
        Sdk::SetSendFunction(sender_.Function());
        Sdk::SetClock([] { return std::int64_t{1700000000999}; });
        ASSERT_TRUE(Sdk::Init(dir_.File("staging"), "http://collector.invalid/sa?project=pc", "anon-1", false));
    }
    std::vector<json> SentRecords() {
        EXPECT_TRUE(Sdk::Flush());
        std::vector<json> all;
        for (const auto& batch : sender_.Batches()) all.insert(all.end(), batch.begin(), batch.end());
        return all;
    }
    RecordingSender sender_;
};

TEST_F(SdkRecords, ProfileRecordsHaveNoSuperPropertiesAndNoEvent) {
    PropertiesNode super;
    super.SetString("qx_channel", "web");
    Sdk::RegisterSuperProperties(super);
    Sdk::SetDistinctId("member-7", true);
    Sdk::ProfileSet("age", 30);
    Sdk::ProfileSetOnce("first_seen", std::string("today"));
    Sdk::ProfileIncrement("launches", 1);
    Sdk::ProfileAppend("tags", "beta");
    Sdk::ProfileSet("ratio", 0.5);

    const auto records = SentRecords();
    ASSERT_EQ(records.size(), 5u);
    const char* types[] = {"profile_set", "profile_set_once", "profile_increment", "profile_append", "profile_set"};
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i]["type"], types[i]);
        EXPECT_FALSE(records[i].contains("event"));
        EXPECT_FALSE(records[i]["properties"].contains("qx_channel"));
        EXPECT_FALSE(records[i]["properties"].contains("$lib"));
        EXPECT_EQ(records[i]["properties"]["$is_login_id"], true);
        EXPECT_EQ(records[i]["distinct_id"], "member-7");
        EXPECT_EQ(records[i]["time"], 1700000000999);
    }
    EXPECT_EQ(records[0]["properties"]["age"], 30);
    EXPECT_EQ(records[3]["properties"]["tags"], json::array({"beta"}));
    EXPECT_EQ(records[4]["properties"]["ratio"], 0.5);
}

TEST_F(SdkRecords, TrackRecordsCarrySuperPropertiesAndGivenOnesWin) {
    PropertiesNode super;
    super.SetString("qx_channel", "web");
    super.SetString("qx_ab", "A");
    Sdk::RegisterSuperProperties(super);
    PropertiesNode properties;
    properties.SetString("qx_ab", "B");
    Sdk::Track("step", properties);
    PropertiesNode install;
    install.SetString("qx_src", "x");
    Sdk::TrackInstallation("first_run", install);
    PropertiesNode source;
    source.SetString("$ios_install_source", "given");
    Sdk::TrackInstallation("first_run", source);

    const auto records = SentRecords();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]["event"], "step");
    EXPECT_EQ(records[0]["properties"]["qx_channel"], "web");
    EXPECT_EQ(records[0]["properties"]["qx_ab"], "B");
    EXPECT_EQ(records[0]["properties"]["$lib"], "cpp");
    EXPECT_FALSE(records[0]["properties"].contains("$is_login_id"));
    EXPECT_EQ(records[1]["properties"]["$ios_install_source"], "");
    EXPECT_EQ(records[1]["properties"]["qx_src"], "x");
    EXPECT_EQ(records[2]["properties"]["$ios_install_source"], "given");
}

TEST_F(SdkRecords, SignupSwitchesToTheLoginId) {
    Sdk::Track("before");
    Sdk::TrackSignup("login-42");
    Sdk::Track("after");

    const auto records = SentRecords();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]["distinct_id"], "anon-1");
    EXPECT_FALSE(records[0]["properties"].contains("$is_login_id"));
    EXPECT_EQ(records[1]["type"], "track_signup");
    EXPECT_EQ(records[1]["event"], "$SignUp");
    EXPECT_EQ(records[1]["distinct_id"], "login-42");
    EXPECT_EQ(records[1]["original_id"], "anon-1");
    EXPECT_EQ(records[2]["distinct_id"], "login-42");
    EXPECT_EQ(records[2]["properties"]["$is_login_id"], true);
}

TEST_F(SdkRecords, SecondInitLeavesTheClientUnchanged) {
    EXPECT_TRUE(Sdk::Init(dir_.File("other"), "http://other.invalid/", "someone-else", true));
    Sdk::Track("e");
    const auto records = SentRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["distinct_id"], "anon-1");
}

}  // namespace
}  // namespace event_collector
