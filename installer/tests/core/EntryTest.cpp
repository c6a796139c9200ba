// The real installer binary, started as a child process: what its entry routine
// does is only visible from outside (exit codes, diagnostic records on stdout).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "platform/environment.h"
#include "platform/module_path.h"
#include "utils/ChildProcess.h"

namespace {

namespace fs = std::filesystem;

class InstallerProcess : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("installer_entry_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        // The installers' lock, data and settings stay in this test's folder.
        for (const char* name : {"XDG_RUNTIME_DIR", "HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                                 "LOCALAPPDATA", "APPDATA"}) {
            fs::create_directories(folder_ / name);
            environment_.push_back(
                std::make_unique<platform::ScopedEnvironmentVariable>(name, (folder_ / name).string()));
        }
        const fs::path built = platform::ModuleFolder() / "QuorvaneInstaller";
        ASSERT_TRUE(fs::exists(built)) << built;
        // A copy, so that the settings file beside it is this test's own.
        binary_ = folder_ / "QuorvaneSetup";
        fs::copy_file(built, binary_);
    }

    // The settings file beside the installer. Analytics, when on, only ever
    // talks to a closed loopback port.
    void WriteSettings(const std::string& install_keys) const {
        std::ofstream ini(folder_ / "TessavonInstallerConfig.ini", std::ios::binary);
        ini << "[Install]\r\nAnalyticsUrl=http://127.0.0.1:9/sa?project=pc\r\n" << install_keys;
    }
    void TearDown() override {
        for (auto& child : children_) {
            if (child->IsRunning()) child->Kill();
            child->Close();
        }
        environment_.clear();
        fs::remove_all(folder_);
    }

    // Starts the installer with its diagnostic records on its stdout.
    Utils::ChildProcess& Start(const fs::path& program, std::vector<std::string> switches, const char* hold_ms) {
        platform::ScopedEnvironmentVariable output("QUORVANE_DEBUG_OUTPUT", "fd:1");
        platform::ScopedEnvironmentVariable hold("QUORVANE_TEST_HOLD_MS",
                                                 hold_ms ? std::optional<std::string>(hold_ms) : std::nullopt);
        switches.insert(switches.begin(), program.string());
        children_.push_back(std::make_unique<Utils::ChildProcess>());
        children_.back()->Start(platform::BuildWindowsCommandLine(switches));
        return *children_.back();
    }

    // Output up to and including `marker`, or everything when the output ends first.
    static std::string ReadUntil(Utils::ChildProcess& child, const std::string& marker) {
        std::string output;
        char buffer[4096];
        while (output.find(marker) == std::string::npos) {
            std::optional<std::size_t> got = child.ReadOutput(buffer, sizeof buffer);
            if (!got || *got == 0) break;
            output.append(buffer, *got);
        }
        return output;
    }

    fs::path folder_;
    fs::path binary_;
    std::vector<std::unique_ptr<platform::ScopedEnvironmentVariable>> environment_;
    std::vector<std::unique_ptr<Utils::ChildProcess>> children_;
};

TEST_F(InstallerProcess, SecondInstanceLeavesAtOnceWithMinusOne) {
    WriteSettings("IsEnableAppAnalytics=false\r\n");
    Utils::ChildProcess& first = Start(binary_, {}, "60000");
    ASSERT_NE(ReadUntil(first, "holding for").find("held"), std::string::npos);

    Utils::ChildProcess& second = Start(binary_, {"-downloadtype=3"}, nullptr);
    std::string second_output = ReadUntil(second, "\n\n");
    EXPECT_EQ(second.Wait(), 255u);  // -1 as an exit status
    EXPECT_NE(second_output.find("another installer holds"), std::string::npos) << second_output;
    // Nothing after the mutex ran: the switches were not even looked at.
    EXPECT_EQ(second_output.find("DownloadType="), std::string::npos) << second_output;

    // The mutex dies with its holder, however it ends.
    ASSERT_TRUE(first.Kill());
    first.Wait();
    Utils::ChildProcess& third = Start(binary_, {}, nullptr);
    ReadUntil(third, "\n\n");
    EXPECT_EQ(third.Wait(), 0u);
}

TEST_F(InstallerProcess, SettingsFileBesideTheBinaryThenSwitches) {
    WriteSettings(
        "DownloadType=2\r\nDownloadScale=0.5\r\nInstCmd=/from-file\r\nIsEnableAppAnalytics=false\r\n"
        "DownloadUrl=http://127.0.0.1:1/${ROUTE}/pkg\r\n");
    platform::ScopedEnvironmentVariable xp("QUORVANE_WINDOWS_VERSION", "5.1.2600");
    Utils::ChildProcess& child = Start(
        binary_, {"-downloadtype=3", "-downloadtype=1", "-instcmd", "-ischecknet=True", "-isenableappanalytics=true"},
        nullptr);
    std::string output = ReadUntil(child, "\n\n");
    EXPECT_EQ(child.Wait(), 0u) << output;
    EXPECT_NE(output.find("DownloadUrl=http://127.0.0.1:1/download_silent_xp/pkg DownloadType=3 DownloadScale=0.5 "
                          "IsCheckNet=0 IsEnableAppAnalytics=1"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("InstCmd= DlAppNameSuffix=.downloader m_DlAppVersion= InstallerFileName=QuorvaneSetup "
                          "CurlReady=1"),
              std::string::npos)
        << output;
}

}  // namespace
