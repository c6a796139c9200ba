// Profile properties and the track log.
#include <gtest/gtest.h>

#include <fstream>

#include "NativeTrackLogger.h"
#include "NativeUserTracker.h"
#include "QxException.h"
#include "TestSupport.h"

namespace tessavon::tracking {
namespace {

using testing_support::StagedRecords;
using testing_support::TempFolder;
using U = NativeUserTracker;

TEST(ProfileProperties, EachPropertyUsesItsOwnOperation) {
    TempFolder folder;
    StagedRecords staged(folder);
    U::ProfileUserPropertyNumber("qx_consumption", 12.5);
    U::ProfileUserPropertyNumber("qx_paid_count", std::int32_t{1});
    U::ProfileUserPropertyDateTime("qx_first_visit_date", 1600000000123);
    U::ProfileUserPropertyString("qx_user_name", "名字");
    U::ProfileUserPropertyNumber("qx_user_vip_level", std::int32_t{3});
    const auto records = staged.Records();
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0]["type"], "profile_increment");
    EXPECT_EQ(records[0]["properties"]["qx_consumption"], 12.5);
    EXPECT_EQ(records[1]["type"], "profile_increment");
    EXPECT_EQ(records[1]["properties"]["qx_paid_count"], 1);
    EXPECT_EQ(records[2]["type"], "profile_set_once");
    EXPECT_TRUE(records[2]["properties"]["qx_first_visit_date"].get<std::string>().ends_with(".123"));
    EXPECT_EQ(records[3]["type"], "profile_set");
    EXPECT_EQ(records[3]["properties"]["qx_user_name"], "名字");
    EXPECT_EQ(records[4]["type"], "profile_set");
    for (const auto& record : records) EXPECT_EQ(record["properties"].size(), 1u) << record;
}

TEST(ProfileProperties, SecondsAndMillisecondsNameTheSameInstant) {
    TempFolder folder;
    StagedRecords staged(folder);
    U::ProfileUserPropertyDateTime("qx_last_visit_date", 1600000000);
    U::ProfileUserPropertyDateTime("qx_last_visit_date", 1600000000000);
    U::ProfileUserPropertyDateTime("qx_last_visit_date", 157789439999);  // the largest seconds value
    const auto records = staged.Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]["properties"], records[1]["properties"]);
    EXPECT_TRUE(records[0]["properties"]["qx_last_visit_date"].get<std::string>().ends_with(".000"));
    EXPECT_EQ(records[0]["type"], "profile_set");
    EXPECT_TRUE(records[2]["properties"]["qx_last_visit_date"].get<std::string>().starts_with("6970-"));
}

TEST(ProfileProperties, MismatchedOrUnknownPropertiesAreRefused) {
    TempFolder folder;
    StagedRecords staged(folder);
    struct Case {
        std::function<void()> call;
        const char* function;
        const char* message;
    };
    const Case cases[] = {
        {[] { U::ProfileUserPropertyString("qx_visit_count", "1"); }, "ProfileUserPropertyString",
         "user property [qx_visit_count] is string type value, it cannot be accumulated!"},
        {[] { U::ProfileUserPropertyString("qx_nothing", "1"); }, "ProfileUserPropertyString",
         "Not supported user property [qx_nothing]!"},
        {[] { U::ProfileUserPropertyString("QX_USER_NAME", "1"); }, "ProfileUserPropertyString",
         "Not supported user property [QX_USER_NAME]!"},
        {[] { U::ProfileUserPropertyNumber("qx_unknown", 1.0); }, "ProfileUserPropertyNumber",
         "Not supported user property [qx_unknown]!"},
        {[] { U::ProfileUserPropertyDateTime("qx_paid_count", 1); }, "ProfileUserPropertyDateTime",
         "user property [qx_paid_count] is boolean value, it cannot be accumulative!"},
        {[] { U::ProfileUserPropertyDateTime("", 1); }, "ProfileUserPropertyDateTime",
         "Not supported user property []!"},
    };
    for (const Case& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << c.message << " not raised";
        } catch (const QxException& e) {
            EXPECT_EQ(e.file, "NativeUserTracker");
            EXPECT_EQ(e.function, c.function);
            EXPECT_EQ(e.message, c.message);
        }
    }
    EXPECT_TRUE(staged.Records().empty());
}

TEST(ProfileProperties, RefusalsHoldWithoutAClient) {
    EXPECT_NO_THROW(U::ProfileUserPropertyString("qx_os", "Windows"));
    EXPECT_THROW(U::ProfileUserPropertyString("qx_paid_count", "x"), QxException);
}

TEST(TrackLog, OpenCreatesTheFileAndReopeningChangesNothing) {
    TempFolder folder;
    const auto path = (folder.path() / "log.txt").string();
    NativeTrackLogger logger;
    logger.open(path);
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    std::ofstream(path, std::ios::app) << "t1\tinfo\tfirst\n";
    logger.open(path);
    EXPECT_EQ(std::filesystem::file_size(path), 14u);
    std::vector<TrackLogRecord> records;
    logger.readRecords(records, 0, 10);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].message, "first");
}

TEST(TrackLog, ReadsPagesForwardAndBackAndSkipsShortLines) {
    TempFolder folder;
    const auto path = (folder.path() / "log.txt").string();
    {
        std::ofstream out(path);
        out << "t0\tI\tm0\n"
               "short\tline\n"
               "t2\tI\tm2\textra\n"
               "\n"
               "t4\tW\tm4\n"
               "t5\tE\tm5\n";
    }
    NativeTrackLogger logger;
    logger.open(path);
    std::vector<TrackLogRecord> records;
    logger.readRecords(records, 0, 3);  // lines 0-2
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].message, "m2");
    logger.readRecords(records, 3, 3);  // lines 3-5, continuing from the cursor
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].level, "W");
    EXPECT_EQ(records[1].time, "t5");
    logger.readRecords(records, 2, 1);  // back again
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].message, "m2");
    logger.readRecords(records, 10, 5);  // past the end
    EXPECT_TRUE(records.empty());
    logger.readRecords(records, 0, 1);  // the end was hit: start over
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].message, "m0");

    logger.clear();
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    logger.readRecords(records, 0, 5);
    EXPECT_TRUE(records.empty());
    logger.close();
    records.push_back({"x", "y", "z"});
    logger.readRecords(records, 0, 5);  // closed: the list is left alone
    EXPECT_EQ(records.size(), 1u);
}

TEST(TrackLog, AnUnopenableFileLeavesTheLoggerInert) {
    TempFolder folder;
    NativeTrackLogger logger;
    logger.open((folder.path() / "missing-folder" / "log.txt").string());
    std::vector<TrackLogRecord> records{{"a", "b", "c"}};
    logger.readRecords(records, 0, 5);
    EXPECT_EQ(records.size(), 1u);
    logger.clear();
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "missing-folder"));
}

}  // namespace
}  // namespace tessavon::tracking
