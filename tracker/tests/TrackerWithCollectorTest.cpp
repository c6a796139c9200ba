// The tracker end to end: a real collector stand-in on loopback, reading
// back what it stored, and the settings file on disk.
// Records name only the fields a case is about (designated initializers).
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <thread>

#include "CollectorServer.h"
#include "TestSupport.h"
#include "TrackerInstance.h"
#include "platform/environment.h"
#include "platform/module_path.h"
#include "platform/profile.h"

namespace tessavon::tracking {
namespace {

using nlohmann::json;
using platform::ScopedEnvironmentVariable;
using testing_support::TempFolder;

constexpr const char* kAppName = "Quorvane.downloader";

class TrackerWithCollector : public testing::Test {
protected:
    TrackerWithCollector()
        : localAppData_("LOCALAPPDATA", (folder_.path() / "local").string()),
          home_("HOME", folder_.path().string()),
          dataHome_("XDG_DATA_HOME", (folder_.path() / "data").string()),
          locale_("LC_ALL", "zh_CN.UTF-8"),
          screen_("QUORVANE_SCREEN_SIZE", "1920x1080"),
          version_("QUORVANE_WINDOWS_VERSION", "10.0.19045"),
          collector_(collector::CollectorOptions{.https = false}) {}

    void SetUp() override { ASSERT_TRUE(collector_.Start()); }
    void TearDown() override {
        ReleaseUsageTracker();
        collector_.Stop();
    }

    UsageTrackerConfig Config() const {
        return {.appName = kAppName,
                .appVersion = "1.7.9",
                .appStore = "QuorvaneInstaller",
                .dlAppId = "Quorvane",
                .dlAppVersion = "",
                .logFilePath = "",
                .edition = QxEdition::china,
                .serverUrl = collector_.Url()};
    }

    std::shared_ptr<UsageTracker> Start(const UsageTrackerConfig& config) {
        CreateUsageTracker(config);
        return TrackerInstance.load();
    }
    std::shared_ptr<UsageTracker> Start() { return Start(Config()); }

    std::filesystem::path LocalDir() const { return folder_.path() / "local" / "QXLocal" / kAppName; }
    std::filesystem::path SettingsFile() const { return LocalDir() / (std::string(kAppName) + "_QXSConfigure.ini"); }
    std::string Setting(const char* section, const char* key) const {
        return platform::GetProfileString(SettingsFile(), section, key, "<missing>");
    }
    void WriteSettings(const std::string& text) const {
        std::filesystem::create_directories(LocalDir());
        std::ofstream(SettingsFile()) << text;
    }

    // The stored records of one type (and event, when given).
    std::vector<json> Stored(const std::string& type, const std::string& event = "") const {
        std::vector<json> found;
        for (const json& record : collector_.Records())
            if (record["type"] == type && (event.empty() || record.value("event", "") == event))
                found.push_back(record);
        return found;
    }

    static QxContextProperties AbContext(QxEventType kind) {
        QxContextProperties context;
        context.setProperty({KindValue(kind)}, "IN");
        return context;
    }

    TempFolder folder_;
    ScopedEnvironmentVariable localAppData_, home_, dataHome_, locale_, screen_, version_;
    collector::CollectorServer collector_;
};

TEST_F(TrackerWithCollector, FreshStartCreatesIdentityAndSendsCommonProperties) {
    auto tracker = Start();
    EXPECT_TRUE(std::filesystem::exists(SettingsFile()));
    const std::string id = Setting("Base", "DistinctId");
    EXPECT_EQ(id.size(), 36u);
    EXPECT_EQ(Setting("Base", "URL"), collector_.Url());
    EXPECT_EQ(Setting("Base", "isLogined"), "NG");
    EXPECT_EQ(Setting("Base", "UserVipLevel"), "0");
    EXPECT_EQ(Setting("UninstallInfo", "AppStore"), "QuorvaneInstaller");
    EXPECT_EQ(Setting("UninstallInfo", "AppName"), kAppName);
    EXPECT_EQ(Setting("UninstallInfo", "AppVersion"), "1.7.9");
    EXPECT_TRUE(std::filesystem::exists(LocalDir() / (std::string(kAppName) + "_QXSLog.txt")));

    tracker->trackActivity(AbContext(QxEventType::Activity));
    tracker->trackTask({.name = "安装成功", .elapsed = QxGiven(0.0f), .result = QxGiven(QxResult::Success)},
                       AbContext(QxEventType::Task));
    tracker->trackLaunch({});
    auto tracks = Stored("track");
    ASSERT_EQ(tracks.size(), 3u);
    for (json record : tracks) {
        json p = record["properties"];
        EXPECT_EQ(record["distinct_id"], id);
        EXPECT_EQ(p["qx_app_id"], kAppName);
        EXPECT_EQ(p["$app_id"], kAppName);
        EXPECT_EQ(p["$app_version"], "1.7.9");
        EXPECT_EQ(p["qx_app_store"], "QuorvaneInstaller");
        EXPECT_EQ(p["qx_edition"], "china");
        EXPECT_EQ(p["qx_dlapp_id"], "Quorvane");
        EXPECT_FALSE(p.contains("qx_dlapp_version"));
        EXPECT_EQ(p["qx_app_platform"], "Windows");
        EXPECT_EQ(p["qx_track_type"], "Client");
        EXPECT_EQ(p["qx_sdk_version"], "3.3.4");
        EXPECT_EQ(p["qx_sdk"], "WindowsCPP");
        EXPECT_EQ(p["$os"], "Windows");
        EXPECT_EQ(p["$os_version"], "10");
        EXPECT_EQ(p["qx_l10n_locale"], "zh_CN");
        EXPECT_EQ(p["qx_l10n_language"], "zh");
        EXPECT_EQ(p["qx_l10n_country"], "CN");
        EXPECT_EQ(p["$screen_width"], 1920);
        EXPECT_EQ(p["$screen_height"], 1080);
        EXPECT_FALSE(p.contains("qx_user_id"));
    }
    EXPECT_EQ(tracks[0]["properties"]["qxc_ab"], "IN");
    EXPECT_EQ(tracks[1]["properties"]["qxc_ab"], "IN");
    EXPECT_EQ(tracks[0]["event"], "QxEventActivity");
    EXPECT_EQ(tracks[0]["properties"]["$user_agent"], "Mozilla/5.0(Windows 10; Win64;)");
    EXPECT_EQ(tracks[0]["properties"]["$ios_install_source"], "xdvbinh_bw=241##qglq=9553##nia=819");
    EXPECT_EQ(tracks[1]["event"], "QxEventTask");
    EXPECT_EQ(tracks[1]["properties"]["qx_task_name"], "安装成功");
    EXPECT_EQ(tracks[1]["properties"]["qx_task_result"], "Success");
    EXPECT_EQ(tracks[2]["event"], "QxEventLaunch");
    EXPECT_FALSE(tracks[2]["properties"].contains("qxc_ab"));  // attached to other kinds only
    // The activity's profile: three visit dates, seven texts.
    EXPECT_EQ(Stored("profile_set_once").size(), 3u);
    EXPECT_EQ(Stored("profile_set").size(), 7u);
}

// The product settings live beside the program, so this case runs in a copy
// of the test program in a folder of its own: test cases running at the same
// time never see the file.
TEST_F(TrackerWithCollector, ProductSettingsBesideTheProgramCanMoveTheSettingsFile) {
    constexpr const char* kChildVariable = "TRACKER_TEST_ANALYTICS_INI";
    const auto target = platform::GetEnvironmentVariable(kChildVariable);
    if (!target) {
        const auto bin = folder_.path() / "bin";
        std::filesystem::create_directories(bin);
        const auto copy = bin / platform::ModulePath().filename();
        std::filesystem::copy_file(platform::ModulePath(), copy);
        const auto elsewhere = folder_.path() / "elsewhere" / "deeper" / "analytics.ini";
        // The installer writes "set.ini"; the tracker asks for "Set.ini".
        std::ofstream(bin / "set.ini") << "[Install]\nQXUsageAnalyticsIni=" << elsewhere.string() << "\n";
        ScopedEnvironmentVariable child(kChildVariable, elsewhere.string());
        const std::string command = "'" + copy.string() + "' --gtest_filter=" +
                                    testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "." +
                                    testing::UnitTest::GetInstance()->current_test_info()->name();
        EXPECT_EQ(std::system(command.c_str()), 0);
        EXPECT_TRUE(std::filesystem::exists(elsewhere));
        return;
    }
    const std::filesystem::path elsewhere(*target);
    auto tracker = Start();
    EXPECT_EQ(platform::GetProfileString(elsewhere, "UninstallInfo", "AppName", ""), kAppName);
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
    tracker->trackClick({.name = "立即安装"}, {});
    tracker.reset();
    ReleaseUsageTracker();
    EXPECT_EQ(Stored("track", "QxEventClick").size(), 1u);
    // That folder is now the local folder: the log lives beside the settings.
    EXPECT_TRUE(std::filesystem::exists(elsewhere.parent_path() / (std::string(kAppName) + "_QXSLog.txt")));
}

TEST_F(TrackerWithCollector, AnotherCollectorUrlStartsAFreshSignedOutIdentity) {
    WriteSettings("[Base]\nDistinctId=OLD-ID\nUserId=u-1\nUserVipLevel=2\nURL=https://elsewhere.example/sa\n"
                  "isLogined=OK\n");
    auto tracker = Start();
    EXPECT_NE(Setting("Base", "DistinctId"), "OLD-ID");
    EXPECT_EQ(Setting("Base", "UserId"), "");
    EXPECT_EQ(Setting("Base", "isLogined"), "NG");
    EXPECT_EQ(Setting("Base", "URL"), collector_.Url());
}

TEST_F(TrackerWithCollector, ALongCollectorUrlKeepsItsIdentityAcrossStarts) {
    UsageTrackerConfig config = Config();
    config.serverUrl = collector_.Url("/sa?project=pc&" + std::string(200, 'x'));
    Start(config);
    ReleaseUsageTracker();
    const std::string first = Setting("Base", "DistinctId");
    Start(config);
    EXPECT_EQ(Setting("Base", "DistinctId"), first);
}

TEST_F(TrackerWithCollector, OnlyUpperCaseOkReadsAsSignedIn) {
    for (const char* flag : {"ok", "OK"}) {
        WriteSettings("[Base]\nDistinctId=KEPT-ID\nUserId=u-1\nURL=" + collector_.Url() + "\nisLogined=" + flag + "\n");
        collector_.Clear();
        auto tracker = Start();
        tracker->trackUninstall("gone", {});
        auto tracks = Stored("track", "QxEventUninstall");
        ASSERT_EQ(tracks.size(), 1u) << flag;
        const bool signedIn = std::string(flag) == "OK";
        EXPECT_EQ(tracks[0]["distinct_id"], signedIn ? "u-1" : "KEPT-ID") << flag;
        EXPECT_EQ(tracks[0]["properties"].contains("$is_login_id"), signedIn) << flag;
        EXPECT_EQ(tracks[0]["properties"]["qx_user_id"], "u-1");
        EXPECT_EQ(tracks[0]["properties"]["qx_uninstall_reason"], "gone");
        tracker.reset();
        ReleaseUsageTracker();
    }
}

TEST_F(TrackerWithCollector, DeferredReportsGoWithTheNextFlushOrAtRelease) {
    auto tracker = Start();
    tracker->trackClick({.name = "立即安装"}, AbContext(QxEventType::Click));
    tracker->trackView({.name = "安装中"}, {});
    EXPECT_TRUE(collector_.Records().empty());
    tracker->trackCrash("崩溃");
    ASSERT_EQ(Stored("track").size(), 3u);
    EXPECT_EQ(Stored("track", "AppCrashed")[0]["properties"]["app_crashed_reason"], "崩溃");
    EXPECT_EQ(Stored("track", "QxEventClick")[0]["properties"]["qx_click_type"], "Button");

    tracker->trackClick({.name = "立即体验"}, {});
    tracker.reset();
    EXPECT_EQ(Stored("track", "QxEventClick").size(), 1u);
    ReleaseUsageTracker();
    EXPECT_EQ(Stored("track", "QxEventClick").size(), 2u);
}

TEST_F(TrackerWithCollector, RecordsUnsentAtReleaseAreSentByTheNextTracker) {
    collector_.SetBehaviour({.status = 500});
    auto tracker = Start();
    tracker->trackClick({.name = "自定义安装"}, {});
    tracker.reset();
    ReleaseUsageTracker();
    EXPECT_TRUE(collector_.Records().empty());
    EXPECT_TRUE(std::filesystem::exists(LocalDir() / (std::string(kAppName) + "_QXSStaging.txt")));

    collector_.SetBehaviour({});
    tracker = Start();
    tracker->trackLaunch({});
    EXPECT_EQ(Stored("track", "QxEventClick").size(), 1u);
    EXPECT_EQ(Stored("track", "QxEventLaunch").size(), 1u);
}

TEST_F(TrackerWithCollector, FirstAccountToSignInStaysTheIdentity) {
    auto tracker = Start();
    const std::string device = Setting("Base", "DistinctId");
    tracker->trackLogin({.userId = "u-1", .userName = "first", .created = 1600000000, .vipLevel = 3}, true, "", {});
    tracker->trackLogin({.userId = "u-2", .userName = "second"}, true, "", {});
    EXPECT_EQ(Setting("Base", "UserId"), "u-1");
    EXPECT_EQ(Setting("Base", "DistinctId"), "u-1");
    EXPECT_EQ(Setting("Base", "isLogined"), "OK");
    EXPECT_EQ(Setting("Base", "UserVipLevel"), "0");  // the last account's level

    auto signups = Stored("track_signup");
    ASSERT_EQ(signups.size(), 1u);
    EXPECT_EQ(signups[0]["distinct_id"], "u-1");
    EXPECT_EQ(signups[0]["original_id"], device);
    auto logins = Stored("track", "QxEventLogin");
    ASSERT_EQ(logins.size(), 2u);
    EXPECT_EQ(logins[1]["distinct_id"], "u-1");
    EXPECT_EQ(logins[1]["properties"]["qx_user_id"], "u-2");
    EXPECT_EQ(logins[1]["properties"]["qx_login_id"], "u-2");
    int names = 0;
    for (json record : Stored("profile_set"))
        if (record["properties"].contains("qx_user_name")) ++names;
    EXPECT_EQ(names, 2);
}

TEST_F(TrackerWithCollector, OnlyASuccessfulPaymentRaisesTheMembershipLevel) {
    auto tracker = Start();
    QxEventPayment payment{.qxOrderId = "o-1",
                           .qxCurrency = QxGiven(QxCurrency::CNY),
                           .originalAmount = 30,
                           .paidAmount = 12.5f,
                           .paidPlatform = QxGiven(QxPaidPlatform::WeChatPay),
                           .result = QxGiven(QxResult::Fail)};
    tracker->trackPayment(payment, {});
    EXPECT_EQ(Setting("Base", "UserVipLevel"), "0");
    auto increments = Stored("profile_increment");
    ASSERT_EQ(increments.size(), 2u);
    EXPECT_EQ(increments[0]["properties"]["qx_paid_count"], 1);
    EXPECT_EQ(increments[1]["properties"]["qx_consumption"], 12.5);
    payment.result = QxGiven(QxResult::Success);
    tracker->trackPayment(payment, {});
    EXPECT_EQ(Setting("Base", "UserVipLevel"), "1");
    EXPECT_EQ(Stored("track", "QxEventPayment").size(), 2u);
}

TEST_F(TrackerWithCollector, ChosenLocaleTravelsWithLaterEvents) {
    auto tracker = Start();
    tracker->setLocale("en_US");
    tracker->trackLaunch({});
    json p = Stored("track", "QxEventLaunch").at(0)["properties"];
    EXPECT_EQ(p["qx_l10n_locale"], "en_US");
    EXPECT_EQ(p["qx_l10n_language"], "en");
    EXPECT_EQ(p["qx_l10n_country"], "US");
}

TEST_F(TrackerWithCollector, WithoutAppStoreTheTrackerIsPublishedButSilent) {
    UsageTrackerConfig config = Config();
    config.appStore.clear();
    auto tracker = Start(config);
    ASSERT_NE(tracker, nullptr);
    testing::internal::CaptureStdout();
    tracker->trackClick({.name = ""}, {});
    tracker->trackClick({.name = "立即安装"}, {});
    tracker->trackCrash("崩溃");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    tracker.reset();
    ReleaseUsageTracker();
    EXPECT_TRUE(collector_.Records().empty());
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

TEST_F(TrackerWithCollector, RejectedReportIsSilentApartFromTheConsoleLine) {
    auto tracker = Start();
    testing::internal::CaptureStdout();
    tracker->trackClick({.name = ""}, {});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed to trackClick\n");
    tracker->trackCrash("");
    EXPECT_EQ(Stored("track").size(), 1u);
}

TEST_F(TrackerWithCollector, ReportsFromSeveralThreadsAllArrive) {
    auto tracker = Start();
    constexpr int kThreads = 4;
    constexpr int kEach = 10;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            auto mine = TrackerInstance.load();
            for (int i = 0; i < kEach; ++i) {
                QxContextProperties context;
                context.setProperty({KindValue(QxEventType::Task), KindValue(QxEventType::Click)}, "IN");
                mine->trackTask({.name = "task-" + std::to_string(t), .elapsed = QxGiven(1.0f)}, context);
                mine->trackClick({.name = "click"}, context);
                if (i % 5 == 0) mine->trackUninstall("r", context);
            }
        });
    }
    tracker->setLocale("en_GB");
    for (auto& thread : threads) thread.join();
    tracker->trackCrash("崩溃");
    EXPECT_EQ(Stored("track", "QxEventTask").size(), static_cast<std::size_t>(kThreads * kEach));
    EXPECT_EQ(Stored("track", "QxEventClick").size(), static_cast<std::size_t>(kThreads * kEach));
    EXPECT_EQ(Stored("track", "QxEventUninstall").size(), static_cast<std::size_t>(kThreads * 2));
}

}  // namespace
}  // namespace tessavon::tracking
