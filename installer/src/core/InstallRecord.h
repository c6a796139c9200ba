#pragma once
// What the installer knows and leaves behind about an installation: the
// registry values under "Software\TessaVonSoft\Quorvane" of the current user,
// the uninstaller record file, "set.ini" in the install folder and the
// analytics settings file in the data folder; the folder rules and the
// running-process test built on them.
// Every function answers with neutral values instead of failing; failed writes
// are not reported. Callable from any thread (the registry and profile files
// serialise themselves).
#include <cstdint>
#include <string>

inline constexpr const char* kProductName = "Quorvane";
inline constexpr const char* kInstallRegistryKey = "Software\\TessaVonSoft\\Quorvane";
inline constexpr const char* kUninstallerRecordName = "uninst.ep";

struct InstallRecord {
    std::string install_folder;     // empty: the product counts as not installed
    std::string uninstaller_record; // the uninstaller record file of that folder
};

struct DefaultFolder {
    std::string folder;
    bool console_admin = false;  // the console user's account is an administrator account
    bool process_admin = false;  // this process runs with administrator rights
};

// "InstallPath" and "UnInstallEp"; a missing record path becomes the folder's
// "uninst.ep".
InstallRecord LoadInstallRecord();

// The existing folder when its uninstaller record is still there; otherwise
// "Quorvane" below "tessavon" in APPDATA for an administrator account running
// elevated, else below program files.
DefaultFolder DefaultInstallFolder(const std::string& existing_folder, const std::string& uninstaller_record);

// Whether `folder` names the default install folder of the current record
// (spelling differences such as a trailing separator, "." or ".." do not count).
bool IsDefaultFolder(const std::string& folder);
// The folder to install to for the text of the folder edit: the default
// folder when the text names it, else the text's subfolder "Quorvane".
std::string CustomInstallFolder(const std::string& edit_text);
// True when the old copy stays: the chosen folder is the existing one and its
// "set.ini" says "IsOverride=false" in section "Uninstall".
bool IsUninstallSkipped(const std::string& existing_folder, const std::string& chosen_folder);

// Id of a running process whose executable file is named exactly `file_name`
// (letter case counts); 0 when there is none.
std::uint32_t FindProcessByName(const std::string& file_name);

// Writes "InstallPath", and "UnInstallEp" when the uninstaller record (the one
// the package reported, else the folder's "uninst.ep") exists.
void WriteInstallRecord(const std::string& install_folder, const std::string& reported_uninstaller_record);
// Writes section "Install" of the folder's "set.ini" (with a new "DeviceID")
// and, when the data folder can be created, the analytics settings file.
void WriteSettingsFiles(const std::string& install_folder);

// The data folder: "TessaVonData/Quorvane" below APPDATA (or the common
// documents folder when APPDATA is unusable).
std::string DataFolder();

// The two registry operations, always on kInstallRegistryKey. A failed read
// answers false and leaves `text` unchanged; the text ends at its first NUL.
bool ReadRegistryValue(const std::string& value_name, std::string& text);
bool WriteRegistryValue(const std::string& value_name, const std::string& text);
