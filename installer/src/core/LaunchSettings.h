#pragma once
// The process-wide launch settings: built-in defaults, then
// "TessavonInstallerConfig.ini" beside the executable (read before main), then
// the command-line switches (applied by the entry routine). Written only on the
// main thread before any worker thread exists; read-only afterwards, so no lock.
#include <cstdint>
#include <filesystem>
#include <string>

#include "core/CommandLine.h"

struct LaunchSettings {
    // The settings file's name; it lives in the executable's folder.
    static constexpr const char* kSettingsFileName = "TessavonInstallerConfig.ini";
    static constexpr const char* kSection = "Install";

    std::string ProductName = "Quorvane";
    std::string ProductVersion = "1.7.9";
    std::string InstallerFileName = "NULL";
    std::string DlAppNameSuffix = ".downloader";
    std::string m_DlAppVersion;
    std::string InstCmd;
    std::string DownloadUrl;
    std::int32_t DownloadType = 1;
    bool IsCheckNet = false;
    bool IsEnableAppAnalytics = true;
    double DownloadScale = 0.7;
    bool CurlReady = true;

    // The built-in defaults (DownloadUrl is the default package URL).
    LaunchSettings();

    // The defaults, then the settings file in `executable`'s folder when there is
    // one; InstallerFileName becomes the executable's file name.
    static LaunchSettings ForExecutable(const std::filesystem::path& executable);

    // Reads every key of section "Install" from `file`; a missing key takes its
    // own default. A file that cannot be read changes nothing. ProductName and
    // ProductVersion are fixed and stay as they are.
    void LoadSettingsFile(const std::filesystem::path& file);

    // Applies "-downloadurl", "-downloadtype", "-downloadscale", "-ischecknet",
    // "-isenableappanalytics", "-dlappnamesuffix", "-dlappversion" and "-instcmd",
    // in this order; an absent switch leaves its field alone. Numbers that do not
    // fit, and a "-downloadscale" that is not a number, keep the previous value.
    void ApplySwitches(const SwitchMap& switches);

    // Stores ResolveRoute(url) into DownloadUrl.
    void SetDownloadUrl(const std::string& url);

    // A copy of the A/B group attached to analytics reports.
    std::string GetAbGroup() const { return AbGroup; }

private:
    std::string AbGroup = "IN";
};

// Replaces every "${ROUTE}" in `text` by the package route of this system:
// "download_silent_xp" when the Windows version name contains "XP", else
// "download_silent". Text without the marker comes back unchanged.
std::string ResolveRoute(const std::string& text);

// The one instance of the process, built from the running executable's settings
// file during static initialisation.
LaunchSettings& TheLaunchSettings();
