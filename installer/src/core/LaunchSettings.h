#pragma once
// The process-wide launch settings: built-in defaults, then
// "TessavonInstallerConfig.ini" beside the executable (built before main), then
// the command-line switches (applied by the entry routine). Written only on the
// main thread before any worker thread exists; read-only afterwards, so no lock.
#include <cstdint>
#include <map>
#include <string>

struct LaunchSettings {
    std::string ProductName;
    std::string ProductVersion;
    std::string InstallerFileName;
    std::string DlAppNameSuffix;
    std::string m_DlAppVersion;
    std::string InstCmd;
    std::string DownloadUrl;
    std::int32_t DownloadType = 1;
    bool IsCheckNet = false;
    bool IsEnableAppAnalytics = true;
    double DownloadScale = 0.7;
    bool CurlReady = true;

    // Stores ResolveRoute(url) into DownloadUrl.
    void SetDownloadUrl(const std::string& url);
    // A copy of the A/B group attached to analytics reports.
    std::string GetAbGroup() const { return AbGroup; }

    std::string AbGroup = "IN";
};

// The one instance of the process (constructed during static initialisation).
LaunchSettings& TheLaunchSettings();
