#include "report/InstallerReports.h"

#include <exception>
#include <utility>

#include "QxException.h"
#include "TrackerInstance.h"
#include "core/Hosts.h"
#include "core/LaunchSettings.h"
#include "platform/environment.h"
#include "platform/module_path.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "utils/DiagLog.h"

namespace {

using namespace tessavon::tracking;

constexpr const char* kCollectorPath = "/sa?project=pc";

// The tracker to report to, or null when reporting is off or not started.
std::shared_ptr<UsageTracker> ReportingTracker() {
    if (!TheLaunchSettings().IsEnableAppAnalytics) return nullptr;
    return TrackerInstance.load();
}

// Attaches the A/B group of `properties` to `kind`. A group the tracker
// would refuse is left off; the report itself still goes out.
QxContextProperties ContextWithAbGroup(const PropertyMap& properties, QxEventType kind) {
    QxContextProperties context;
    const auto ab = properties.find("AB");
    if (ab == properties.end()) return context;
    try {
        if (QxContextProperties::isValidABValue(ab->second)) context.setProperty({KindValue(kind)}, ab->second);
    } catch (const QxException& e) {
        DIAG_LOG("A/B group \"%s\" left off: %s", ab->second.c_str(), e.what());
    }
    return context;
}

}  // namespace

std::string AnalyticsServerUrl() {
    if (auto url = platform::GetEnvironmentVariable("QUORVANE_ANALYTICS_URL"); url && !url->empty()) return *url;
    const auto folder = platform::ModuleFolder();
    if (!folder.empty()) {
        const auto file = platform::FindPathIgnoringCase((folder / LaunchSettings::kSettingsFileName).string());
        if (file) {
            std::string url = platform::GetProfileString(*file, LaunchSettings::kSection, "AnalyticsUrl", "");
            if (!url.empty()) return url;
        }
    }
    return std::string(Hosts::kAnalyticsHost) + kCollectorPath;
}

void StartAnalytics() {
    const LaunchSettings& settings = TheLaunchSettings();
    if (!settings.IsEnableAppAnalytics) return;
    UsageTrackerConfig config;
    config.appName = settings.ProductName + settings.DlAppNameSuffix;
    config.appVersion = settings.ProductVersion;
    config.appStore = settings.InstallerFileName;
    config.dlAppId = settings.ProductName;
    config.dlAppVersion = settings.m_DlAppVersion;
    config.edition = QxEdition::china;
    config.serverUrl = AnalyticsServerUrl();
    CreateUsageTracker(config);
    DIAG_LOG("analytics started for %s, reporting to %s", config.appName.c_str(), config.serverUrl.c_str());
}

void StopAnalytics() { ReleaseUsageTracker(); }

void ReportInstallEvent(const std::string& title, float elapsed, const std::string& reason, PropertyMap properties) {
    const auto tracker = ReportingTracker();
    if (!tracker) return;
    try {
        const QxContextProperties context = ContextWithAbGroup(properties, QxEventType::Task);
        QxEventTask event;
        event.name = title;
        event.reason = reason;
        event.elapsed = QxGiven(elapsed);
        event.result = QxGiven(QxResult::Success);
        tracker->trackTask(event, context);
    } catch (const std::exception& e) {
        // Only running out of memory gets here; reporting must not disturb installing.
        DIAG_LOG("install event \"%s\" not reported: %s", title.c_str(), e.what());
    }
}

void ReportClickEvent(const std::string& name, PropertyMap properties) {
    const auto tracker = ReportingTracker();
    if (!tracker) return;
    try {
        const QxContextProperties context = ContextWithAbGroup(properties, QxEventType::Click);
        QxEventClick event;
        event.name = name;
        event.clickType = ClickType::Button;
        tracker->trackClick(event, context);
    } catch (const std::exception& e) {
        DIAG_LOG("click \"%s\" not reported: %s", name.c_str(), e.what());
    }
}

void ReportInstallingView(PropertyMap properties) {
    const auto tracker = ReportingTracker();
    if (!tracker) return;
    try {
        const QxContextProperties context = ContextWithAbGroup(properties, QxEventType::View);
        QxEventView event;
        event.name = "安装中";
        tracker->trackView(event, context);
    } catch (const std::exception& e) {
        DIAG_LOG("installing view not reported: %s", e.what());
    }
}

void ReportCrashEvent() {
    const auto tracker = ReportingTracker();
    if (!tracker) return;
    try {
        tracker->trackCrash("崩溃");
    } catch (const std::exception& e) {
        DIAG_LOG("crash not reported: %s", e.what());
    }
}
