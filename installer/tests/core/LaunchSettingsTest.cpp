#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>

#include "core/Hosts.h"
#include "core/LaunchSettings.h"
#include "platform/environment.h"

namespace {

namespace fs = std::filesystem;

// Every field, so a case that expects one change also proves nothing else moved.
auto Fields(const LaunchSettings& s) {
    return std::make_tuple(s.ProductName, s.ProductVersion, s.InstallerFileName, s.DlAppNameSuffix, s.m_DlAppVersion,
                           s.InstCmd, s.DownloadUrl, s.DownloadType, s.IsCheckNet, s.IsEnableAppAnalytics,
                           s.DownloadScale, s.CurlReady, s.GetAbGroup());
}

class LaunchSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("launch_settings_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        executable_ = folder_ / "QuorvaneSetup.exe";
        file_ = folder_ / LaunchSettings::kSettingsFileName;
    }
    void TearDown() override { fs::remove_all(folder_); }

    void WriteFile(const std::string& content) const {
        std::ofstream out(file_, std::ios::binary);
        out << content;
    }
    LaunchSettings Load() const { return LaunchSettings::ForExecutable(executable_); }

    // The settings with no file and no switches, as the executable here sees them.
    LaunchSettings Defaults() const {
        LaunchSettings expected;
        expected.InstallerFileName = "QuorvaneSetup.exe";
        return expected;
    }

    fs::path folder_, executable_, file_;
    // Windows 10 unless a test says otherwise.
    platform::ScopedEnvironmentVariable version_{"QUORVANE_WINDOWS_VERSION", "10.0.19045"};
};

TEST_F(LaunchSettingsTest, BuiltInDefaultsWithoutAFile) {
    LaunchSettings settings = Load();
    EXPECT_EQ(settings.ProductName, "Quorvane");
    EXPECT_EQ(settings.ProductVersion, "1.7.9");
    EXPECT_EQ(settings.InstallerFileName, "QuorvaneSetup.exe");
    EXPECT_EQ(settings.DlAppNameSuffix, ".downloader");
    EXPECT_EQ(settings.m_DlAppVersion, "");
    EXPECT_EQ(settings.InstCmd, "");
    EXPECT_EQ(settings.DownloadUrl, Hosts::kDefaultPackageUrl);
    EXPECT_EQ(settings.DownloadType, 1);
    EXPECT_FALSE(settings.IsCheckNet);
    EXPECT_TRUE(settings.IsEnableAppAnalytics);
    EXPECT_EQ(settings.DownloadScale, 0.7);
    EXPECT_TRUE(settings.CurlReady);
    EXPECT_EQ(settings.GetAbGroup(), "IN");
    EXPECT_EQ(LaunchSettings().InstallerFileName, "NULL");
}

TEST_F(LaunchSettingsTest, SettingsFileValues) {
    struct Case {
        const char* name;
        std::string install_section;
        std::function<void(LaunchSettings&)> expect;
    } cases[] = {
        {.name = "present but empty section: the keys' own defaults, so the network check is on",
         .install_section = "",
         .expect = [](LaunchSettings& s) { s.IsCheckNet = true; }},
        {.name = "every key",
         .install_section = "DownloadUrl=http://127.0.0.1:8080/pkg\nDownloadType=3\nIsCheckNet=false\n"
                            "IsEnableAppAnalytics=false\nDlAppNameSuffix=.dl\nm_DlAppVersion=2.0\n"
                            "DownloadScale=0.25\nInstCmd=/D=C:\\x\nProductName=Other\nProductVersion=9.9\n"
                            "AbGroup=OUT\n",
         .expect =
             [](LaunchSettings& s) {
                 s.DownloadUrl = "http://127.0.0.1:8080/pkg";
                 s.DownloadType = 3;
                 s.IsEnableAppAnalytics = false;
                 s.DlAppNameSuffix = ".dl";
                 s.m_DlAppVersion = "2.0";
                 s.DownloadScale = 0.25;
                 s.InstCmd = "/D=C:\\x";
             }},
        {.name = "empty values are taken as empty",
         .install_section = "DownloadUrl=\nDlAppNameSuffix=\nIsCheckNet=\n",
         .expect =
             [](LaunchSettings& s) {
                 s.DownloadUrl = "";
                 s.DlAppNameSuffix = "";
             }},
        {.name = "booleans are true only for exactly \"true\"",
         .install_section = "IsCheckNet=True\nIsEnableAppAnalytics=TRUE\n",
         .expect = [](LaunchSettings& s) { s.IsEnableAppAnalytics = false; }},
        {.name = "names are case-insensitive, quotes stripped",
         .install_section = "downloadtype=2\nISCHECKNET=\"true\"\n",
         .expect =
             [](LaunchSettings& s) {
                 s.DownloadType = 2;
                 s.IsCheckNet = true;
             }},
        {.name = "numbers from their leading digits",
         .install_section = "DownloadType=12abc\nDownloadScale=.5x\n",
         .expect =
             [](LaunchSettings& s) {
                 s.IsCheckNet = true;
                 s.DownloadType = 12;
                 s.DownloadScale = 0.5;
             }},
        {.name = "no number at all gives zero",
         .install_section = "DownloadType=abc\nDownloadScale=abc\n",
         .expect =
             [](LaunchSettings& s) {
                 s.IsCheckNet = true;
                 s.DownloadType = 0;
                 s.DownloadScale = 0.0;
             }},
        {.name = "numbers out of range keep the previous value",
         .install_section = "DownloadType=99999999999\nDownloadScale=1e999\n",
         .expect = [](LaunchSettings& s) { s.IsCheckNet = true; }},
        {.name = "not-a-number and infinity keep the previous value",
         .install_section = "DownloadScale=nan\n",
         .expect = [](LaunchSettings& s) { s.IsCheckNet = true; }},
        {.name = "infinity keeps the previous value",
         .install_section = "DownloadScale=-inf\n",
         .expect = [](LaunchSettings& s) { s.IsCheckNet = true; }},
        {.name = "text values are cut to 259 characters",
         .install_section = "InstCmd=" + std::string(300, 'i') + "\n",
         .expect =
             [](LaunchSettings& s) {
                 s.IsCheckNet = true;
                 s.InstCmd = std::string(259, 'i');
             }},
    };
    for (const auto& c : cases) {
        WriteFile("[Other]\nDownloadType=7\n[Install]\n" + c.install_section);
        LaunchSettings expected = Defaults();
        c.expect(expected);
        EXPECT_EQ(Fields(Load()), Fields(expected)) << c.name;
    }
}

TEST_F(LaunchSettingsTest, RouteIsResolvedForTheSystem) {
    struct Case {
        const char* version;
        const char* expect;
    } cases[] = {
        {"5.1.2600", "http://h/download_silent_xp/a/download_silent_xp"},
        {"5.3.0", "http://h/download_silent_xp/a/download_silent_xp"},        // "XP+"
        {"unavailable", "http://h/download_silent_xp/a/download_silent_xp"},  // "XP-"
        {"6.1.7601", "http://h/download_silent/a/download_silent"},
        {"10.0.22631", "http://h/download_silent/a/download_silent"},
    };
    WriteFile("[Install]\nDownloadUrl=http://h/${ROUTE}/a/${ROUTE}\n");
    for (const auto& c : cases) {
        platform::ScopedEnvironmentVariable version("QUORVANE_WINDOWS_VERSION", c.version);
        EXPECT_EQ(Load().DownloadUrl, c.expect) << c.version;
    }
    platform::ScopedEnvironmentVariable xp("QUORVANE_WINDOWS_VERSION", "5.1.2600");
    EXPECT_EQ(ResolveRoute("no marker ${route} ${ROUTE"), "no marker ${route} ${ROUTE");
    EXPECT_EQ(ResolveRoute("${ROUTE}${ROUTE}"), "download_silent_xpdownload_silent_xp");
    EXPECT_EQ(ResolveRoute("$${ROUTE}}"), "$download_silent_xp}");
    LaunchSettings settings;
    settings.ApplySwitches({{"-downloadurl", "http://127.0.0.1:1/${ROUTE}"}});
    EXPECT_EQ(settings.DownloadUrl, "http://127.0.0.1:1/download_silent_xp");
}

TEST_F(LaunchSettingsTest, SwitchesOverTheFile) {
    WriteFile("[Install]\nDownloadType=3\nIsCheckNet=true\nInstCmd=/from-file\nDownloadScale=0.4\n");
    struct Case {
        const char* command_line;
        std::function<void(LaunchSettings&)> expect;
    } cases[] = {
        {.command_line = "setup.exe", .expect = [](LaunchSettings&) {}},
        {.command_line = "setup.exe -downloadtype=2 -ischecknet=false -instcmd=/S",
         .expect =
             [](LaunchSettings& s) {
                 s.DownloadType = 2;
                 s.IsCheckNet = false;
                 s.InstCmd = "/S";
             }},
        {.command_line = "setup.exe -downloadtype=2 -downloadtype=5",
         .expect = [](LaunchSettings& s) { s.DownloadType = 2; }},
        {.command_line = "setup.exe -DownloadType=2 -ISCHECKNET=false", .expect = [](LaunchSettings&) {}},
        {.command_line = "setup.exe -ischecknet=True -isenableappanalytics=TRUE",
         .expect =
             [](LaunchSettings& s) {
                 s.IsCheckNet = false;
                 s.IsEnableAppAnalytics = false;
             }},
        {.command_line = "setup.exe -instcmd", .expect = [](LaunchSettings& s) { s.InstCmd = ""; }},
        {.command_line = "setup.exe -downloadtype", .expect = [](LaunchSettings& s) { s.DownloadType = 0; }},
        {.command_line = "setup.exe -downloadtype=x7", .expect = [](LaunchSettings& s) { s.DownloadType = 0; }},
        {.command_line = "setup.exe \"-downloadtype= -12x\"",
         .expect = [](LaunchSettings& s) { s.DownloadType = -12; }},
        {.command_line = "setup.exe -downloadtype=2147483648", .expect = [](LaunchSettings&) {}},
        {.command_line = "setup.exe -downloadscale=0.9", .expect = [](LaunchSettings& s) { s.DownloadScale = 0.9; }},
        {.command_line = "setup.exe -downloadscale=+1.5e-1",
         .expect = [](LaunchSettings& s) { s.DownloadScale = 0.15; }},
        {.command_line = "setup.exe -downloadscale=abc -downloadscale=0.9", .expect = [](LaunchSettings&) {}},
        {.command_line = "setup.exe -downloadscale", .expect = [](LaunchSettings&) {}},
        {.command_line = "setup.exe -downloadscale=nan", .expect = [](LaunchSettings&) {}},
        {.command_line = "setup.exe -downloadscale=inf", .expect = [](LaunchSettings&) {}},
        {.command_line = "setup.exe -downloadscale=1e400", .expect = [](LaunchSettings&) {}},
        {.command_line = "setup.exe -downloadscale=+-1", .expect = [](LaunchSettings&) {}},
        {.command_line = "setup.exe downloadtype=2 /downloadtype=2 --downloadtype=2", .expect = [](LaunchSettings&) {}},
        {.command_line = "-downloadtype=4", .expect = [](LaunchSettings& s) { s.DownloadType = 4; }},
        {.command_line = "setup.exe \"-instcmd=/D=C:\\Program Files\\Q\" -dlappnamesuffix=.x -dlappversion=3.1",
         .expect =
             [](LaunchSettings& s) {
                 s.InstCmd = "/D=C:\\Program Files\\Q";
                 s.DlAppNameSuffix = ".x";
                 s.m_DlAppVersion = "3.1";
             }},
        {.command_line = "setup.exe -downloadurl=http://127.0.0.1:9/p -downloadurl=http://other/",
         .expect = [](LaunchSettings& s) { s.DownloadUrl = "http://127.0.0.1:9/p"; }},
        {.command_line = "setup.exe -downloadurl", .expect = [](LaunchSettings& s) { s.DownloadUrl = ""; }},
    };
    const LaunchSettings from_file = Load();
    ASSERT_EQ(from_file.DownloadType, 3);
    for (const auto& c : cases) {
        LaunchSettings settings = from_file;
        settings.ApplySwitches(SplitCommandLine(c.command_line));
        LaunchSettings expected = from_file;
        c.expect(expected);
        EXPECT_EQ(Fields(settings), Fields(expected)) << c.command_line;
    }
}

TEST_F(LaunchSettingsTest, BadSettingsFilesNeverStopStartUp) {
    static const char kBinary[] = "\0\xFF\xFE\x80\n[Install]\n\0DownloadType=2\nDownloadScale=\x80\x81\nInstCmd=\xC3\n";
    struct Case {
        const char* name;
        std::string content;
        std::function<void(LaunchSettings&)> expect;
    } cases[] = {
        {.name = "garbage lines",
         .content = "]]]\n[[[\n=====\n[Install\nDownloadType\n==3\n\x01\x02\x03\n",
         .expect = [](LaunchSettings& s) { s.IsCheckNet = true; }},
        {.name = "binary bytes",
         .content = std::string(kBinary, sizeof kBinary - 1),
         .expect =
             [](LaunchSettings& s) {
                 s.IsCheckNet = true;
                 s.DownloadScale = 0.0;
                 s.InstCmd = "\xC3";
             }},
        {.name = "a 10,000-character value",
         .content = "[Install]\nDownloadUrl=http://h/" + std::string(10000, 'u') + "\nDownloadType=2\n",
         .expect =
             [](LaunchSettings& s) {
                 s.IsCheckNet = true;
                 s.DownloadType = 2;
                 s.DownloadUrl = "http://h/" + std::string(250, 'u');
             }},
    };
    for (const auto& c : cases) {
        WriteFile(c.content);
        LaunchSettings expected = Defaults();
        c.expect(expected);
        EXPECT_EQ(Fields(Load()), Fields(expected)) << c.name;
    }
    // Unreadable (CI runs as root, so a folder stands in for a file without read
    // permission): the built-in defaults stand.
    fs::remove(file_);
    fs::create_directory(file_);
    EXPECT_EQ(Fields(Load()), Fields(Defaults()));
}

TEST(TheLaunchSettings, IsTheRunningExecutablesOwn) {
    EXPECT_EQ(TheLaunchSettings().InstallerFileName, "installer_core_tests");
    EXPECT_EQ(&TheLaunchSettings(), &TheLaunchSettings());
}

}  // namespace
