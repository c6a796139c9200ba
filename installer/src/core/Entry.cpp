#include "core/Entry.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <charconv>
#include <csignal>
#include <memory>
#include <optional>
#include <thread>

#include "core/CommandLine.h"
#include "core/LaunchSettings.h"
#include "download/DownloadFailureReporter.h"
#include "platform/environment.h"
#include "platform/library_loading.h"
#include "report/InstallerReports.h"
#include "utils/DiagLog.h"
#include "utils/InstanceMutex.h"

namespace {

constexpr const char* kInstanceMutexName = "Installer_Quorvane";

// Test-only pause where the window will run; never longer than a minute, so a
// stray variable cannot keep an installer alive.
void HoldForTests() {
    std::optional<std::string> text = platform::GetEnvironmentVariable("QUORVANE_TEST_HOLD_MS");
    if (!text) return;
    long milliseconds = 0;
    std::from_chars(text->data(), text->data() + text->size(), milliseconds);
    milliseconds = std::clamp(milliseconds, 0L, 60'000L);
    DIAG_LOG("holding for %ld ms", milliseconds);
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Test-only crash where the window will run, to see the crash reach analytics.
void CrashForTests() {
    if (platform::GetEnvironmentVariable("QUORVANE_TEST_CRASH") != std::optional<std::string>("segv")) return;
    DIAG_LOG("crashing on request");
    std::raise(SIGSEGV);
}

// The engines' failed size probes become install events.
class AnalyticsDownloadFailureSink : public download::DownloadFailureReporter {
public:
    void Report(const std::string& title, double progress, const std::string& reason,
                const std::string& ab_group) override {
        ReportInstallEvent(title, static_cast<float>(progress), reason, {{"AB", ab_group}});
    }
};

void LogSettings(const LaunchSettings& settings) {
    DIAG_LOG("DownloadUrl=%s DownloadType=%d DownloadScale=%g IsCheckNet=%d IsEnableAppAnalytics=%d",
             settings.DownloadUrl.c_str(), settings.DownloadType, settings.DownloadScale, settings.IsCheckNet ? 1 : 0,
             settings.IsEnableAppAnalytics ? 1 : 0);
    DIAG_LOG("InstCmd=%s DlAppNameSuffix=%s m_DlAppVersion=%s InstallerFileName=%s CurlReady=%d",
             settings.InstCmd.c_str(), settings.DlAppNameSuffix.c_str(), settings.m_DlAppVersion.c_str(),
             settings.InstallerFileName.c_str(), settings.CurlReady ? 1 : 0);
}

}  // namespace

void CrashFilter(const platform::CrashInfo& info) {
    // An install event, then the crash event, which flushes both at once.
    // Afterwards the hook restores the default action, so the process still
    // ends the way it would have.
    (void)info;
    ReportInstallEvent("崩溃退出", 0, "", {{"AB", "IN"}});
    ReportCrashEvent();
}

int InstallerMain(const std::vector<std::string>& arguments) {
    LaunchSettings& settings = TheLaunchSettings();

    platform::HardenLibraryLoading();
    platform::InstallCrashHook(&CrashFilter);

    const bool curl_ready = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
    if (!curl_ready) {
        settings.CurlReady = false;
        DIAG_LOG("libcurl global initialisation failed");
        // Reported like every other start-up problem; analytics is not running
        // yet at this point, so today the report goes nowhere.
        ReportInstallEvent("libcurl初始化失败", 0, "", {{"AB", "IN"}});
    }

    Utils::InstanceMutex instance(kInstanceMutexName);
    instance.Acquire();
    if (!instance.IsHeld()) {
        DIAG_LOG("another installer holds %s: leaving", kInstanceMutexName);
        return -1;
    }
    DIAG_LOG("single-instance mutex %s held", kInstanceMutexName);

    // Usage analytics starts here, before the switches: it sees the settings
    // file's choice of "IsEnableAppAnalytics".
    StartAnalytics();
    download::SetDownloadFailureReporter(std::make_shared<AnalyticsDownloadFailureSink>());

    settings.ApplySwitches(SwitchesFromArguments(arguments));
    LogSettings(settings);

    // The installer's window is created here and runs until it closes.
    HoldForTests();
    CrashForTests();

    // The tracker's last flush needs libcurl, so it goes first.
    download::SetDownloadFailureReporter(nullptr);
    StopAnalytics();
    if (curl_ready) curl_global_cleanup();
    DIAG_LOG("start-up done, exiting");
    return 0;  // `instance` releases the mutex last
}
