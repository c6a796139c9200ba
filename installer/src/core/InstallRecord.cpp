#include "core/InstallRecord.h"

#include <cstdio>
#include <filesystem>

#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/module_path.h"
#include "platform/paths.h"
#include "platform/process_snapshot.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/special_folders.h"
#include "utils/Account.h"
#include "utils/SystemChecks.h"

namespace fs = std::filesystem;

namespace {

// APPDATA as the installer reads it: unusable when empty or longer than a
// Windows path buffer holds.
std::string AppDataFolder() {
    std::string value = platform::GetWindowsEnvironmentVariable("APPDATA").value_or("");
    if (platform::Utf16Length(value) >= Utils::kMaxPathLength) return {};
    return value;
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_regular_file(path, error);
}

std::string Join(const std::string& folder, const std::string& name) { return (fs::path(folder) / name).string(); }

fs::path SettingsFile(const std::string& install_folder) { return fs::path(install_folder) / "set.ini"; }

}  // namespace

bool ReadRegistryValue(const std::string& value_name, std::string& text) {
    auto value = platform::ReadUserRegistryString(kInstallRegistryKey, value_name);
    if (!value) return false;
    text = value->substr(0, value->find('\0'));
    return true;
}

bool WriteRegistryValue(const std::string& value_name, const std::string& text) {
    return platform::WriteUserRegistryString(kInstallRegistryKey, value_name, text);
}

InstallRecord LoadInstallRecord() {
    InstallRecord record;
    ReadRegistryValue("InstallPath", record.install_folder);
    ReadRegistryValue("UnInstallEp", record.uninstaller_record);
    if (record.uninstaller_record.empty() && !record.install_folder.empty())
        record.uninstaller_record = Join(record.install_folder, kUninstallerRecordName);
    return record;
}

DefaultFolder DefaultInstallFolder(const std::string& existing_folder, const std::string& uninstaller_record) {
    DefaultFolder result;
    std::string console_user;
    result.console_admin = Utils::GetConsoleUserName(console_user) && Utils::IsAdministratorAccount(console_user);
    result.process_admin = Utils::IsUserAdmin();
    if (!existing_folder.empty() && FileExists(uninstaller_record)) {
        result.folder = existing_folder;
        return result;
    }
    std::string base;
    std::string app_data = AppDataFolder();
    if (result.console_admin && result.process_admin && !app_data.empty()) {
        base = Join(app_data, "tessavon");
    } else {
        base = platform::GetSpecialFolder(platform::SpecialFolder::ProgramFilesX86)
                   .value_or(platform::GetSpecialFolder(platform::SpecialFolder::ProgramFiles).value_or(""));
    }
    result.folder = Join(base, kProductName);
    return result;
}

bool IsDefaultFolder(const std::string& folder) {
    InstallRecord record = LoadInstallRecord();
    return platform::IsSameFolder(DefaultInstallFolder(record.install_folder, record.uninstaller_record).folder,
                                  folder);
}

std::string CustomInstallFolder(const std::string& edit_text) {
    InstallRecord record = LoadInstallRecord();
    std::string default_folder = DefaultInstallFolder(record.install_folder, record.uninstaller_record).folder;
    if (platform::IsSameFolder(default_folder, edit_text)) return default_folder;
    return Join(edit_text, kProductName);
}

bool IsUninstallSkipped(const std::string& existing_folder, const std::string& chosen_folder) {
    if (!platform::IsSameFolder(existing_folder, chosen_folder)) return false;
    std::string override_value = platform::GetProfileString(SettingsFile(chosen_folder), "Uninstall", "IsOverride",
                                                            "true", 20);
    return override_value == "false";
}

std::uint32_t FindProcessByName(const std::string& file_name) {
    auto processes = platform::SnapshotProcesses();
    if (!processes) return 0;
    for (const auto& process : *processes) {
        if (process.file_name == file_name) return process.id;
    }
    return 0;
}

void WriteInstallRecord(const std::string& install_folder, const std::string& reported_uninstaller_record) {
    WriteRegistryValue("InstallPath", install_folder);
    std::string record = reported_uninstaller_record.empty() ? Join(install_folder, kUninstallerRecordName)
                                                             : reported_uninstaller_record;
    if (FileExists(record)) WriteRegistryValue("UnInstallEp", record);
}

std::string DataFolder() {
    std::string base = AppDataFolder();
    if (base.empty()) base = platform::GetSpecialFolder(platform::SpecialFolder::CommonDocuments).value_or("");
    return (fs::path(base) / "TessaVonData" / kProductName).string();
}

// The process-wide C locale is deliberately left alone: changing it while the
// runner and engine threads convert text would race with them, and nothing
// written here depends on it.
void WriteSettingsFiles(const std::string& install_folder) {
    fs::path settings = SettingsFile(install_folder);
    if (platform::Utf16Length(settings.string()) >= Utils::kMaxPathLength) return;
    std::string installer_name = platform::ModulePath().filename().string();
    platform::WriteProfileString(settings, "Install", "APPStore", installer_name);
    platform::WriteProfileString(settings, "Install", "AppName", kProductName);
    platform::WriteProfileString(settings, "Install", "DeviceID", Utils::NewGuidText());

    std::string data_folder = DataFolder();
    if (!Utils::CreateDirectories(data_folder)) return;
    fs::path analytics = fs::path(data_folder) / "QXUsageAnalytics.ini";
    platform::WriteProfileString(settings, "Install", "QXUsageAnalyticsIni", analytics.string());

    platform::LocalTime now = platform::LocalTimeNow();
    char update_time[128];
    std::snprintf(update_time, sizeof update_time, "%d-%02d-%02d %02d:%02d:%02d", now.year, now.month, now.day,
                  now.hour, now.minute, now.second);
    platform::WriteProfileString(analytics, "Init", "UpdateTime", update_time);
}
