// Install records over a temporary registry hive, temporary folders and
// overridden account facts; nothing here touches the real home folder.
#include "core/InstallRecord.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <thread>
#include <vector>

#include "RunnerTestSupport.h"
#include "platform/environment.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/registry.h"

namespace fs = std::filesystem;
using platform::ScopedEnvironmentVariable;

namespace {

class InstallRecordTest : public ::testing::Test {
protected:
    InstallRecordTest() {
        for (const char* sub : {"config", "data", "home", "appdata", "programs"}) fs::create_directories(Sub(sub));
        Set("XDG_CONFIG_HOME", Sub("config"));
        Set("XDG_DATA_HOME", Sub("data"));
        Set("HOME", Sub("home"));
        Set("APPDATA", Sub("appdata"));
        Set("QUORVANE_PROGRAM_FILES", Sub("programs"));
        SetAccounts(false, false);
    }

    std::string Sub(const std::string& name) const { return (temp_.Path() / name).string(); }
    void Set(const std::string& name, const std::optional<std::string>& value) {
        scoped_.push_back(std::make_unique<ScopedEnvironmentVariable>(name, value));
    }
    void SetAccounts(bool console_admin, bool process_admin) {
        Set("QUORVANE_CONSOLE_USER", "alice");
        Set("QUORVANE_ADMIN_ACCOUNTS", console_admin ? "alice" : "bob");
        Set("QUORVANE_PROCESS_ADMIN", process_admin ? "1" : "0");
    }
    static std::optional<std::string> Raw(const std::string& name) {
        return platform::ReadUserRegistryString(kInstallRegistryKey, name);
    }

    TempFolder temp_;
    std::vector<std::unique_ptr<ScopedEnvironmentVariable>> scoped_;
};

TEST_F(InstallRecordTest, LoadReadsBothValuesAndDerivesAMissingRecordPath) {
    EXPECT_EQ(LoadInstallRecord().install_folder, "");
    EXPECT_EQ(LoadInstallRecord().uninstaller_record, "");

    ASSERT_TRUE(WriteRegistryValue("InstallPath", "/opt/Q"));
    EXPECT_EQ(LoadInstallRecord().uninstaller_record, "/opt/Q/uninst.ep");

    ASSERT_TRUE(WriteRegistryValue("UnInstallEp", "/elsewhere/uninst.ep"));
    EXPECT_EQ(LoadInstallRecord().install_folder, "/opt/Q");
    EXPECT_EQ(LoadInstallRecord().uninstaller_record, "/elsewhere/uninst.ep");
}

TEST_F(InstallRecordTest, RegistryValuesAreStoredAsTheirCharactersOnly) {
    const std::string folder = "/opt/安装 目录/Quorvane";
    ASSERT_TRUE(WriteRegistryValue("InstallPath", folder));
    EXPECT_EQ(Raw("InstallPath"), folder);  // no terminating NUL stored

    // A value stored with its NUL (as another writer may have) reads up to it.
    ASSERT_TRUE(platform::WriteUserRegistryString(kInstallRegistryKey, "UnInstallEp", std::string("/a\0junk", 7)));
    std::string text = "unchanged";
    EXPECT_TRUE(ReadRegistryValue("UnInstallEp", text));
    EXPECT_EQ(text, "/a");

    text = "unchanged";
    EXPECT_FALSE(ReadRegistryValue("NoSuchValue", text));
    EXPECT_EQ(text, "unchanged");
}

TEST_F(InstallRecordTest, DefaultInstallFolderBranches) {
    std::string existing = Sub("existing");
    fs::create_directories(existing);
    std::ofstream(existing + "/uninst.ep") << "x";
    struct Row {
        const char* name;
        bool console_admin, process_admin;
        std::string existing, record, app_data, expected;
    };
    const std::string long_app_data = Sub(std::string(300, 'a'));
    const Row rows[] = {
        {"existing installation", false, false, existing, existing + "/uninst.ep", Sub("appdata"), existing},
        {"record gone, elevated administrator", true, true, existing, existing + "/gone.ep", Sub("appdata"),
         Sub("appdata") + "/tessavon/Quorvane"},
        {"no installation, elevated administrator", true, true, "", "", Sub("appdata"),
         Sub("appdata") + "/tessavon/Quorvane"},
        {"standard account elevated", false, true, "", "", Sub("appdata"), Sub("programs") + "/Quorvane"},
        {"administrator not elevated", true, false, "", "", Sub("appdata"), Sub("programs") + "/Quorvane"},
        {"APPDATA too long", true, true, "", "", long_app_data, Sub("programs") + "/Quorvane"},
    };
    for (const auto& row : rows) {
        SetAccounts(row.console_admin, row.process_admin);
        Set("APPDATA", row.app_data);
        DefaultFolder result = DefaultInstallFolder(row.existing, row.record);
        EXPECT_EQ(result.folder, row.expected) << row.name;
        EXPECT_EQ(result.console_admin, row.console_admin) << row.name;
        EXPECT_EQ(result.process_admin, row.process_admin) << row.name;
    }
}

TEST_F(InstallRecordTest, CustomFolderKeepsTheDefaultWhateverItsSpelling) {
    std::string default_folder = Sub("programs") + "/Quorvane";
    fs::create_directories(default_folder);
    fs::create_directory_symlink(default_folder, Sub("link"));
    struct Row {
        std::string edit_text, expected;
        bool is_default;
    };
    const Row rows[] = {
        {default_folder, default_folder, true},
        {default_folder + "/", default_folder, true},
        {Sub("programs") + "/./Quorvane", default_folder, true},
        {Sub("programs") + "/x/../Quorvane", default_folder, true},
        {Sub("link"), default_folder, true},
        {Sub("programs"), default_folder, false},
        {Sub("programs") + "/quorvane", Sub("programs") + "/quorvane/Quorvane", false},  // letter case counts here
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CustomInstallFolder(row.edit_text), row.expected) << row.edit_text;
        EXPECT_EQ(IsDefaultFolder(row.edit_text), row.is_default) << row.edit_text;
    }
}

TEST_F(InstallRecordTest, UninstallIsSkippedOnlyForTheSameFolderWithIsOverrideFalse) {
    std::string existing = Sub("existing");
    fs::create_directories(existing);
    struct Row {
        const char* name;
        std::optional<std::string> is_override;
        std::string chosen;
        bool skipped;
    };
    const Row rows[] = {
        {"false", "false", existing, true},
        {"false, other spelling", "false", existing + "/.", true},
        {"true", "true", existing, false},
        {"missing", std::nullopt, existing, false},
        {"other text", "False", existing, false},
        {"other folder", "false", Sub("other"), false},
    };
    for (const auto& row : rows) {
        fs::remove(existing + "/set.ini");
        if (row.is_override) platform::WriteProfileString(existing + "/set.ini", "Uninstall", "IsOverride", *row.is_override);
        EXPECT_EQ(IsUninstallSkipped(existing, row.chosen), row.skipped) << row.name;
    }
}

TEST_F(InstallRecordTest, FindProcessByNameSeesARunningProductByItsExactName) {
    fs::path product = temp_.Path() / "Quorvane.exe";
    fs::copy_file(ProductFile(), product);
    auto process = platform::Process::Start("\"" + product.string() + "\" -exit-after-ms=20000",
                                            platform::kNullFileHandle, platform::kNullFileHandle,
                                            platform::kNullFileHandle);
    ASSERT_TRUE(process);
    std::uint32_t found = 0;
    for (int i = 0; i < 200 && found == 0; ++i) {
        found = FindProcessByName("Quorvane.exe");
        if (found == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(found, process->Id());
    EXPECT_EQ(FindProcessByName("quorvane.exe"), 0u);
    EXPECT_EQ(FindProcessByName("Quorvane_un_asa.exe"), 0u);
    process->Kill();
    process->Wait();
}

TEST_F(InstallRecordTest, WriteInstallRecordWritesTheUninstallerOnlyWhenItExists) {
    std::string folder = Sub("installed");
    fs::create_directories(folder);
    struct Row {
        const char* name;
        std::string reported;
        bool create_default, create_reported;
        std::optional<std::string> expected;
    };
    const Row rows[] = {
        {"nothing reported, default exists", "", true, false, folder + "/uninst.ep"},
        {"reported and present", Sub("u.ep"), false, true, Sub("u.ep")},
        {"reported but missing", Sub("missing.ep"), true, false, std::nullopt},
        {"nothing anywhere", "", false, false, std::nullopt},
    };
    for (const auto& row : rows) {
        platform::DeleteUserRegistryValue(kInstallRegistryKey, "UnInstallEp");
        fs::remove(folder + "/uninst.ep");
        if (row.create_default) std::ofstream(folder + "/uninst.ep") << "x";
        if (row.create_reported) std::ofstream(row.reported) << "x";
        WriteInstallRecord(folder, row.reported);
        EXPECT_EQ(Raw("InstallPath"), folder) << row.name;
        EXPECT_EQ(Raw("UnInstallEp"), row.expected) << row.name;
    }
}

TEST_F(InstallRecordTest, WriteSettingsFilesWritesBothFilesAndKeepsOtherKeys) {
    std::string folder = Sub("installed");
    fs::create_directories(folder);
    fs::path settings = folder + "/set.ini";
    platform::WriteProfileString(settings, "Uninstall", "IsOverride", "false");

    WriteSettingsFiles(folder);
    std::string first_id = platform::GetProfileString(settings, "Install", "DeviceID", "");
    fs::path analytics = Sub("appdata") + "/TessaVonData/Quorvane/QXUsageAnalytics.ini";
    EXPECT_EQ(platform::GetProfileString(settings, "Install", "APPStore", ""),
              fs::path(::testing::internal::GetArgvs()[0]).filename().string());
    EXPECT_EQ(platform::GetProfileString(settings, "Install", "AppName", ""), "Quorvane");
    EXPECT_TRUE(std::regex_match(first_id, std::regex("[0-9A-Fa-f]{32}"))) << first_id;
    EXPECT_EQ(platform::GetProfileString(settings, "Install", "QXUsageAnalyticsIni", ""), analytics.string());
    EXPECT_EQ(platform::GetProfileString(settings, "Uninstall", "IsOverride", ""), "false");
    EXPECT_TRUE(std::regex_match(platform::GetProfileString(analytics, "Init", "UpdateTime", ""),
                                 std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));

    WriteSettingsFiles(folder);
    EXPECT_NE(platform::GetProfileString(settings, "Install", "DeviceID", ""), first_id);
}

TEST_F(InstallRecordTest, WriteSettingsFilesWithAnUnwritableDataFolder) {
    std::string folder = Sub("installed");
    fs::create_directories(folder);
    std::ofstream(Sub("blocked")) << "a file where the data folder's parent should be";
    Set("APPDATA", Sub("blocked"));

    WriteSettingsFiles(folder);
    fs::path settings = folder + "/set.ini";
    EXPECT_EQ(platform::GetProfileString(settings, "Install", "AppName", ""), "Quorvane");
    EXPECT_EQ(platform::GetProfileString(settings, "Install", "QXUsageAnalyticsIni", "absent"), "absent");
    EXPECT_FALSE(fs::exists(Sub("blocked") + "/TessaVonData"));
}

}  // namespace
