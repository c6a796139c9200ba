#pragma once
// The installer's usage reports. A thin layer over the process-wide tracker:
// it starts the tracker with the installer's identity and turns each of the
// installer's reports into a tracker record carrying the A/B group.
//
// Every report is switched by IsEnableAppAnalytics of the launch settings,
// read at each call, and does nothing before StartAnalytics (or after the
// tracker is released). None of them returns anything or throws; each may be
// called from any thread. Task, click and view reports are sent with the next
// flush; the crash report is flushed at once on the calling thread.
#include <map>
#include <string>

// Ordered key → value; every caller passes "AB" with the A/B group.
using PropertyMap = std::map<std::string, std::string>;

// Creates the process-wide tracker when analytics is enabled. Call once on
// the main thread, after the single-instance check and before the switches.
void StartAnalytics();

// Releases the process-wide tracker: unsent records get their last chances
// and the collection client shuts down. Call once at exit.
void StopAnalytics();

// A task event: name = title, the given elapsed seconds and reason, result Success.
void ReportInstallEvent(const std::string& title, float elapsed, const std::string& reason, PropertyMap properties);

// A button click named `name`.
void ReportClickEvent(const std::string& name, PropertyMap properties);

// The view "安装中" (the installation has started).
void ReportInstallingView(PropertyMap properties);

// The crash event (reason "崩溃").
void ReportCrashEvent();

// The collector the tracker reports to: the environment variable
// QUORVANE_ANALYTICS_URL when set, else "AnalyticsUrl" of section "Install"
// in the launch-settings file beside the executable when set (tests and the
// demo use a local collector), else the maker's collector.
std::string AnalyticsServerUrl();
