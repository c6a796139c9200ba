// The installer's reports as the collector stand-in receives them.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <thread>

#include "CollectorServer.h"
#include "TrackerInstance.h"
#include "core/LaunchSettings.h"
#include "platform/environment.h"
#include "report/InstallerReports.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using platform::ScopedEnvironmentVariable;

fs::path NewTempFolder() {
    std::random_device device;
    fs::path path = fs::temp_directory_path() / ("installer-report-test-" + std::to_string(device()));
    fs::create_directories(path);
    return path;
}

class InstallerReports : public testing::Test {
protected:
    InstallerReports()
        : folder_(NewTempFolder()),
          localAppData_("LOCALAPPDATA", (folder_ / "local").string()),
          home_("HOME", folder_.string()),
          collector_(collector::CollectorOptions{.https = false, .recordsFile = "", .print = false}),
          saved_(TheLaunchSettings()) {}

    void SetUp() override {
        ASSERT_TRUE(collector_.Start());
        url_ = std::make_unique<ScopedEnvironmentVariable>("QUORVANE_ANALYTICS_URL", collector_.Url());
        TheLaunchSettings().InstallerFileName = "QuorvaneInstaller";
        TheLaunchSettings().IsEnableAppAnalytics = true;
    }

    void TearDown() override {
        StopAnalytics();
        collector_.Stop();
        TheLaunchSettings() = saved_;
        url_.reset();
        std::error_code error;
        fs::remove_all(folder_, error);
    }

    std::vector<json> Tracks(const std::string& event) const {
        std::vector<json> found;
        for (const json& record : collector_.Records())
            if (record.value("event", "") == event) found.push_back(record["properties"]);
        return found;
    }

    fs::path folder_;
    ScopedEnvironmentVariable localAppData_, home_;
    collector::CollectorServer collector_;
    LaunchSettings saved_;
    std::unique_ptr<ScopedEnvironmentVariable> url_;
};

TEST_F(InstallerReports, ReportsCarryTheirNamesAndTheAbGroup) {
    StartAnalytics();
    ReportInstallEvent("大包下载完毕", 12.5f, "", {{"AB", "IN"}});
    ReportInstallEvent("下载器启动", 0, "", {});           // no group at all
    ReportInstallEvent("开始下载大包", 0, "", {{"AB", ""}});  // an empty group is not attached
    ReportInstallEvent("安装成功", 0, "", {{"AB", "in"}});    // a malformed one neither; the event still goes
    ReportClickEvent("立即安装", {{"AB", "IN"}});
    ReportInstallingView({{"AB", "IN"}});
    EXPECT_TRUE(collector_.Records().empty());  // deferred until the next flush
    ReportInstallEvent("崩溃退出", 0, "", {{"AB", "IN"}});
    ReportCrashEvent();

    auto tasks = Tracks("QxEventTask");
    ASSERT_EQ(tasks.size(), 5u);
    EXPECT_EQ(tasks[0]["qx_task_name"], "大包下载完毕");
    EXPECT_EQ(tasks[0]["qx_task_elapsed"], 12.5);
    EXPECT_EQ(tasks[0]["qx_task_result"], "Success");
    EXPECT_EQ(tasks[0]["qxc_ab"], "IN");
    EXPECT_FALSE(tasks[0].contains("qx_reason"));
    for (int i : {1, 2, 3}) {
        EXPECT_FALSE(tasks[i].contains("qxc_ab")) << tasks[i];
        EXPECT_EQ(tasks[i]["qx_task_elapsed"], 0.0);
    }
    EXPECT_EQ(tasks[4]["qx_task_name"], "崩溃退出");
    auto click = Tracks("QxEventClick").at(0);
    EXPECT_EQ(click["qx_name"], "立即安装");
    EXPECT_EQ(click["qx_click_type"], "Button");
    EXPECT_EQ(click["qxc_ab"], "IN");
    auto view = Tracks("QxEventView").at(0);
    EXPECT_EQ(view["qx_name"], "安装中");
    EXPECT_EQ(view["qxc_ab"], "IN");
    auto crash = Tracks("AppCrashed").at(0);
    EXPECT_EQ(crash["app_crashed_reason"], "崩溃");
    // The installer's identity travels with every event.
    EXPECT_EQ(crash["qx_app_id"], "Quorvane.downloader");
    EXPECT_EQ(crash["$app_version"], "1.7.9");
    EXPECT_EQ(crash["qx_app_store"], "QuorvaneInstaller");
    EXPECT_EQ(crash["qx_dlapp_id"], "Quorvane");
}

TEST_F(InstallerReports, ReasonTextsArriveIntact) {
    StartAnalytics();
    ReportInstallEvent("下载失败原因", 0, "1.获取文件大小的状态码为=404；", {{"AB", "IN"}});
    ReportCrashEvent();
    EXPECT_EQ(Tracks("QxEventTask").at(0)["qx_reason"], "1.获取文件大小的状态码为=404；");
}

TEST_F(InstallerReports, DisabledAtStartNothingIsEverSent) {
    TheLaunchSettings().IsEnableAppAnalytics = false;
    StartAnalytics();
    EXPECT_EQ(tessavon::tracking::TrackerInstance.load(), nullptr);
    TheLaunchSettings().IsEnableAppAnalytics = true;  // a switch turning it on later
    ReportClickEvent("立即安装", {{"AB", "IN"}});
    ReportInstallEvent("崩溃退出", 0, "", {{"AB", "IN"}});
    ReportCrashEvent();
    StopAnalytics();
    EXPECT_TRUE(collector_.Records().empty());
}

TEST_F(InstallerReports, TurnedOffAfterStartReportsStop) {
    StartAnalytics();
    TheLaunchSettings().IsEnableAppAnalytics = false;
    ReportClickEvent("立即安装", {{"AB", "IN"}});
    ReportCrashEvent();
    StopAnalytics();
    EXPECT_TRUE(collector_.Records().empty());
}

TEST_F(InstallerReports, BeforeStartReportsDoNothing) {
    ReportInstallEvent("libcurl初始化失败", 0, "", {{"AB", "IN"}});
    ReportCrashEvent();
    StartAnalytics();
    ReportCrashEvent();
    ASSERT_EQ(collector_.Records().size(), 1u);
    EXPECT_TRUE(Tracks("QxEventTask").empty());
}

TEST_F(InstallerReports, ReportsFromSeveralThreadsAtOnce) {
    StartAnalytics();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 8; ++i) {
                ReportInstallEvent("下载失败原因", 0, "reason", {{"AB", "IN"}});
                ReportClickEvent("立即安装", {{"AB", "IN"}});
            }
        });
    }
    threads.emplace_back([] { ReportCrashEvent(); });
    for (auto& thread : threads) thread.join();
    StopAnalytics();
    EXPECT_EQ(Tracks("QxEventTask").size(), 32u);
    EXPECT_EQ(Tracks("QxEventClick").size(), 32u);
    EXPECT_EQ(Tracks("AppCrashed").size(), 1u);
}

}  // namespace
