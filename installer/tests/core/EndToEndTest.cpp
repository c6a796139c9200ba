// The whole road without a window: the download host serves the stand-in
// setup package at its md5 address, the pipeline downloads it with a real
// engine, runs it, the records are written as the window writes them; a second
// run over that installation runs its uninstaller first.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "DownloadHost.h"
#include "RunnerTestSupport.h"
#include "core/DownloadInstaller.h"
#include "core/InstallRecord.h"
#include "core/LaunchSettings.h"
#include "platform/environment.h"
#include "platform/profile.h"

namespace fs = std::filesystem;
using Codes = std::vector<std::int32_t>;

namespace {

Codes Folded(const std::vector<StageEvent>& events) {
    Codes codes;
    for (const auto& event : events) {
        bool progress = event.code == DL_CODE_PROGRESS || event.code == IST_CODE_PROGRESS ||
                        event.code == UNIST_CODE_PROGRESS;
        if (progress && !codes.empty() && codes.back() == event.code) continue;
        if (event.code >= IST_INFO_INST_PATH && event.code <= IST_INFO_MESSAGE) continue;
        codes.push_back(event.code);
    }
    return codes;
}

std::string MessageOf(const StageRecorder& recorder, std::int32_t code) {
    auto events = recorder.Only({code});
    return events.empty() ? "" : events.back().message;
}

class EndToEndTest : public ::testing::TestWithParam<std::int32_t> {
protected:
    EndToEndTest() {
        for (const char* name : {"TMPDIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "HOME", "APPDATA"}) {
            fs::path folder = temp_.Path() / name;
            fs::create_directories(folder);
            scoped_.push_back(std::make_unique<platform::ScopedEnvironmentVariable>(name, folder.string()));
        }
        saved_ = TheLaunchSettings();
        TheLaunchSettings().InstCmd = "";
        TheLaunchSettings().DownloadType = GetParam();
    }
    ~EndToEndTest() override { TheLaunchSettings() = saved_; }

    // What the window does on 2003: the records of the folder the package reported.
    static void WriteRecords(const StageRecorder& recorder) {
        std::string folder = MessageOf(recorder, IST_INFO_INST_PATH);
        WriteInstallRecord(folder, MessageOf(recorder, IST_INFO_UNINST_EP));
        WriteSettingsFiles(folder);
    }

    TempFolder temp_;
    std::vector<std::unique_ptr<platform::ScopedEnvironmentVariable>> scoped_;
    LaunchSettings saved_;
};

TEST_P(EndToEndTest, InstallThenInstallAgainOverTheOldCopy) {
    download_host::DownloadHost host;
    ASSERT_TRUE(host.Start());
    std::string url = host.AddPackage({.route = "/software/245", .file_path = SetupPackageFile().string()});
    std::string folder = (temp_.Path() / "Programs" / "Quorvane").string();

    StageRecorder first;
    auto pipeline = std::make_unique<CDownloadInstaller>(first.Callback(), "", "", "", true, true, true);
    InstallRecord none = LoadInstallRecord();
    ASSERT_EQ(none.install_folder, "");
    pipeline->Configure(url, none.uninstaller_record, folder, true, false, false, false);
    pipeline->Start();
    ASSERT_TRUE(first.WaitFor(INSTALL_SUCCESS)) << ::testing::PrintToString(first.Codes());
    Codes codes = Folded(first.Events());
    ASSERT_GE(codes.size(), 5u);
    EXPECT_EQ(codes.front(), DL_CODE_START);
    EXPECT_EQ(Codes(codes.end() - 4, codes.end()),
              (Codes{DL_CODE_SUCCESS, IST_CODE_START, IST_CODE_PROGRESS, INSTALL_SUCCESS}));
    EXPECT_EQ(MessageOf(first, IST_INFO_INST_PATH), folder);
    WriteRecords(first);
    EXPECT_TRUE(fs::exists(folder + "/Quorvane.exe"));
    EXPECT_FALSE(fs::exists(pipeline->PackagePath()));

    // The next installer run finds the installation and removes it first.
    InstallRecord record = LoadInstallRecord();
    EXPECT_EQ(record.install_folder, folder);
    EXPECT_EQ(record.uninstaller_record, folder + "/uninst.ep");
    ASSERT_FALSE(IsUninstallSkipped(record.install_folder, folder));

    StageRecorder second;
    pipeline = std::make_unique<CDownloadInstaller>(second.Callback(), "", "", "", true, true, true);
    pipeline->Configure(url, record.uninstaller_record, folder, true, true, false, false);
    pipeline->Start();
    ASSERT_TRUE(second.WaitFor(INSTALL_SUCCESS)) << ::testing::PrintToString(second.Codes());
    codes = Folded(second.Events());
    Codes uninstall = {UNIST_CODE_PROGRESS, UNIST_CODE_SUCCESS, DL_CODE_START};
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(Codes(codes.begin(), codes.begin() + 3), uninstall);
    EXPECT_EQ(codes.back(), INSTALL_SUCCESS);
    EXPECT_TRUE(fs::exists(CDownloadInstaller::UninstallerCopyPath()));
    WriteRecords(second);
    pipeline.reset();

    EXPECT_TRUE(fs::exists(folder + "/Quorvane.exe"));
    EXPECT_EQ(platform::GetProfileString(folder + "/set.ini", "Install", "DesktopShortcut", ""), "true");
    EXPECT_EQ(platform::GetProfileString(folder + "/set.ini", "Install", "QuickLaunch", ""), "true");
    EXPECT_EQ(platform::GetProfileString(folder + "/set.ini", "Install", "AppName", ""), "Quorvane");
    EXPECT_EQ(LoadInstallRecord().install_folder, folder);
    host.Stop();
}

INSTANTIATE_TEST_SUITE_P(EveryEngine, EndToEndTest, ::testing::Values(1, 2, 3));

}  // namespace
