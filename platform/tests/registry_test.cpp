#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/environment.h"

namespace {

namespace fs = std::filesystem;
using platform::ReadUserRegistryString;
using platform::WriteUserRegistryString;

const std::string kKey = "Software\\TessaVonSoft\\Quorvane";

class RegistryTest : public ::testing::Test {
protected:
    fs::path home_ = fs::temp_directory_path() / ("registry-" + std::to_string(::getpid()));
    platform::ScopedEnvironmentVariable config_{"XDG_CONFIG_HOME", (home_ / "config").string()};
    void TearDown() override { fs::remove_all(home_); }
};

TEST_F(RegistryTest, MissingHiveKeyOrValueReadsAsNotFound) {
    EXPECT_EQ(ReadUserRegistryString(kKey, "InstallPath"), std::nullopt);
    EXPECT_FALSE(fs::exists(home_));  // reading creates nothing
    ASSERT_TRUE(WriteUserRegistryString(kKey, "InstallPath", "/opt/Quorvane"));
    EXPECT_EQ(ReadUserRegistryString(kKey, "UnInstallEp"), std::nullopt);
    EXPECT_EQ(ReadUserRegistryString("Software\\Other", "InstallPath"), std::nullopt);
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
    ASSERT_TRUE(WriteUserRegistryString(kKey, "InstallPath", "/first"));
    ASSERT_TRUE(WriteUserRegistryString("SOFTWARE\\tessavonsoft\\QUORVANE", "INSTALLPATH", "/second"));
    EXPECT_EQ(ReadUserRegistryString("software\\TessaVonSoft\\quorvane", "installpath"), "/second");
    std::ifstream hive(platform::UserRegistryHivePath());
    std::string text((std::istreambuf_iterator<char>(hive)), {});
    EXPECT_NE(text.find("[Software\\TessaVonSoft\\Quorvane]\n\"InstallPath\"=\"/second\""), std::string::npos) << text;
}

TEST_F(RegistryTest, AwkwardTextsSurviveAReload) {
    const std::string texts[] = {
        "C:\\Program Files\\Quorvane", "quote \" inside", "line\nbreak\r\n", std::string("nul\0inside", 10),
        "安装路径", "", "]\n[Injected]\n\"InstallPath\"=\"x\"",
    };
    for (const auto& text : texts) {
        ASSERT_TRUE(WriteUserRegistryString(kKey, "Value", text));
        EXPECT_EQ(ReadUserRegistryString(kKey, "Value"), text);
    }
    EXPECT_EQ(ReadUserRegistryString("Injected", "InstallPath"), std::nullopt);
    EXPECT_FALSE(WriteUserRegistryString("Bad\nKey", "Value", "x"));
}

TEST_F(RegistryTest, DamagedHiveLinesAreSkipped) {
    fs::create_directories(fs::path(platform::UserRegistryHivePath()).parent_path());
    {
        std::ofstream hive(platform::UserRegistryHivePath(), std::ios::binary);
        hive << "\"Orphan\"=\"no key\"\n[" << kKey << "]\ngarbage\n\"Broken=\"x\n\"Good\"=\"yes\"\r\n"
             << std::string("\xFF\x00\x01", 3) << "\n\"Unterminated\"=\"x\n";
    }
    EXPECT_EQ(ReadUserRegistryString(kKey, "Good"), "yes");
    EXPECT_EQ(ReadUserRegistryString(kKey, "Broken"), std::nullopt);
    ASSERT_TRUE(WriteUserRegistryString(kKey, "Other", "1"));
    EXPECT_EQ(ReadUserRegistryString(kKey, "Good"), "yes");
}

TEST_F(RegistryTest, DeleteRemovesOnlyThatValue) {
    ASSERT_TRUE(WriteUserRegistryString(kKey, "A", "1"));
    ASSERT_TRUE(WriteUserRegistryString(kKey, "B", "2"));
    EXPECT_TRUE(platform::DeleteUserRegistryValue(kKey, "a"));
    EXPECT_EQ(ReadUserRegistryString(kKey, "A"), std::nullopt);
    EXPECT_EQ(ReadUserRegistryString(kKey, "B"), "2");
    EXPECT_TRUE(platform::DeleteUserRegistryValue(kKey, "missing"));
}

TEST_F(RegistryTest, UnwritableHiveFails) {
    fs::create_directories(home_);
    std::ofstream(home_ / "config") << "a regular file where the folder should be";
    EXPECT_FALSE(WriteUserRegistryString(kKey, "InstallPath", "x"));
    EXPECT_EQ(ReadUserRegistryString(kKey, "InstallPath"), std::nullopt);
}

TEST_F(RegistryTest, ConcurrentWritersInThreadsAndProcessesLoseNothing) {
    constexpr int kWrites = 20;
    auto write_many = [](const std::string& prefix) {
        for (int i = 0; i < kWrites; ++i) WriteUserRegistryString(kKey, prefix + std::to_string(i), prefix);
    };
    std::vector<pid_t> children;
    for (int p = 0; p < 2; ++p) {
        pid_t child = ::fork();
        if (child == 0) {
            write_many("process" + std::to_string(p) + "-");
            ::_exit(0);
        }
        children.push_back(child);
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) threads.emplace_back(write_many, "thread" + std::to_string(t) + "-");
    for (auto& thread : threads) thread.join();
    for (pid_t child : children) ::waitpid(child, nullptr, 0);

    for (const std::string prefix : {"process0-", "process1-", "thread0-", "thread1-", "thread2-"}) {
        for (int i = 0; i < kWrites; ++i)
            EXPECT_EQ(ReadUserRegistryString(kKey, prefix + std::to_string(i)), prefix) << prefix << i;
    }
}

}  // namespace
