// The real installer binary with analytics: a crash provoked on purpose must
// reach the collector stand-in, unless the settings file turned analytics off.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "CollectorServer.h"
#include "platform/command_line.h"
#include "platform/environment.h"
#include "platform/module_path.h"
#include "utils/ChildProcess.h"

namespace {

namespace fs = std::filesystem;
using platform::ScopedEnvironmentVariable;

class InstallerProcessAnalytics : public testing::Test {
protected:
    InstallerProcessAnalytics()
        : folder_(fs::temp_directory_path() / ("installer-analytics-" + std::to_string(std::random_device()()))),
          home_("HOME", folder_.string()),
          localAppData_("LOCALAPPDATA", (folder_ / "local").string()),
          dataHome_("XDG_DATA_HOME", (folder_ / "data").string()),
          configHome_("XDG_CONFIG_HOME", (folder_ / "config").string()),
          runtime_("XDG_RUNTIME_DIR", (folder_ / "run").string()),
          crash_("QUORVANE_TEST_CRASH", "segv"),
          // The crash report allocates inside the signal handler on purpose; a
          // thread-checked build would otherwise fill the child's unread error
          // stream with that and block it.
          sanitizer_("TSAN_OPTIONS", "report_signal_unsafe=0"),
          collector_(collector::CollectorOptions{.https = false, .recordsFile = "", .print = false}) {}

    void SetUp() override {
        fs::create_directories(folder_ / "run");
        fs::create_directories(folder_ / "bin");
        // A copy of the installer in a folder of its own, so its settings file
        // is private to this test.
        binary_ = folder_ / "bin" / "QuorvaneInstaller";
        fs::copy_file(platform::ModuleFolder() / "QuorvaneInstaller", binary_);
        ASSERT_TRUE(collector_.Start());
    }

    void TearDown() override {
        collector_.Stop();
        std::error_code error;
        fs::remove_all(folder_, error);
    }

    void WriteSettings(const std::string& analytics) const {
        std::ofstream(folder_ / "bin" / "TessavonInstallerConfig.ini")
            << "[Install]\nIsEnableAppAnalytics=" << analytics << "\nAnalyticsUrl=" << collector_.Url() << "\n";
    }

    // Runs the installer to its end and returns its exit status.
    std::uint32_t Run(const std::vector<std::string>& switches) const {
        std::vector<std::string> arguments{binary_.string()};
        arguments.insert(arguments.end(), switches.begin(), switches.end());
        Utils::ChildProcess child;
        child.Start(platform::BuildWindowsCommandLine(arguments));
        char buffer[4096];
        while (auto got = child.ReadOutput(buffer, sizeof buffer)) {
            if (*got == 0) break;
        }
        const std::uint32_t status = child.Wait();
        child.Close();
        return status;
    }

    fs::path folder_;
    ScopedEnvironmentVariable home_, localAppData_, dataHome_, configHome_, runtime_, crash_, sanitizer_;
    collector::CollectorServer collector_;
    fs::path binary_;
};

TEST_F(InstallerProcessAnalytics, ACrashReachesTheCollectorAsTwoEvents) {
#if defined(__SANITIZE_THREAD__)
    // The thread checker takes over fatal signals and the transfer made from
    // inside the handler never leaves; the plain build is the one that counts.
    GTEST_SKIP() << "crash reports are not sent from a thread-checked build";
#endif
    WriteSettings("true");
    EXPECT_NE(Run({}), 0u);
    std::vector<std::string> events;
    std::string taskName;
    for (const auto& record : collector_.Records()) {
        events.push_back(record.value("event", ""));
        if (record.value("event", "") == "QxEventTask") taskName = record["properties"].value("qx_task_name", "");
    }
    EXPECT_EQ(events, (std::vector<std::string>{"QxEventTask", "AppCrashed"}));
    EXPECT_EQ(taskName, "崩溃退出");
}

TEST_F(InstallerProcessAnalytics, DisabledInTheSettingsFileNothingIsSentWhateverTheSwitches) {
    WriteSettings("false");
    EXPECT_NE(Run({"-isenableappanalytics=true"}), 0u);
    EXPECT_TRUE(collector_.Records().empty());
    EXPECT_TRUE(collector_.Requests().empty());
    EXPECT_FALSE(fs::exists(folder_ / "local" / "QXLocal"));
}

}  // namespace
