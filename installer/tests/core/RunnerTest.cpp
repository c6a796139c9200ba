// The two runners driven against the real stand-in setup package and
// uninstaller (tools/), one scenario per row.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "RunnerTestSupport.h"
#include "core/LaunchSettings.h"
#include "core/PackageRunner.h"
#include "core/UninstallerRunner.h"
#include "utils/Account.h"

namespace fs = std::filesystem;
using Events = std::vector<StageEvent>;

namespace {

// Waits (at most 10 s) until a stand-in has removed its marker file on exit.
void WaitUntilGone(const fs::path& marker) {
    for (int i = 0; i < 1000 && fs::exists(marker); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(fs::exists(marker)) << marker;
}

class PackageRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = temp_.Path() / "install folder";
        package_ = temp_.Path() / "__Package_Quorvane.exe";
        // Downloaded packages arrive without the execute bit.
        fs::copy_file(SetupPackageFile(), package_);
        fs::permissions(package_, fs::perms::owner_read | fs::perms::owner_write);
        saved_inst_cmd_ = TheLaunchSettings().InstCmd;
    }
    void TearDown() override { TheLaunchSettings().InstCmd = saved_inst_cmd_; }

    Events Run(const std::string& scenario) {
        TheLaunchSettings().InstCmd = "-scenario=" + scenario;
        PackageRunner runner(recorder_.Callback(), Quoted(package_), folder_.string(), true, false, true);
        runner.Start();
        runner.Join();
        return recorder_.Events();
    }

    TempFolder temp_;
    fs::path folder_;
    fs::path package_;
    StageRecorder recorder_;
    std::string saved_inst_cmd_;
};

TEST_F(PackageRunnerTest, SuccessReportsEveryAnnouncementAndInstalls) {
    Events events = Run("success");
    std::string folder = folder_.string();
    Events expected = {
        {IST_CODE_START, 0, ""},
        {IST_CODE_PROGRESS, 0, ""},
        {IST_CODE_PROGRESS, 0.1, ""},
        {IST_CODE_PROGRESS, 0.9, ""},
        {IST_INFO_INST_PATH, 0, folder},
        {IST_INFO_EXE_PATH, 0, folder + "/Quorvane.exe"},
        {IST_INFO_UNINST_EP, 0, folder + "/uninst.ep"},
        {IST_INFO_STARTUP_STYLE, 1, ""},
        {IST_INFO_TOP_SHOW_DETENTION, 1500, ""},
        {IST_INFO_FINISH_CLOSE_DETENTION, 3000, ""},
        {IST_INFO_START_URL, 0, "http://127.0.0.1/welcome"},
        {IST_INFO_MESSAGE, 0, "安装完成"},
        {IST_CODE_PROGRESS, 1, ""},
        {INSTALL_SUCCESS, 0, ""},
    };
    EXPECT_EQ(events, expected);
    EXPECT_TRUE(fs::exists(folder_ / "Quorvane.exe"));
    EXPECT_TRUE(fs::exists(folder_ / "uninst.ep"));
    EXPECT_TRUE(fs::exists(folder_ / "set.ini"));
}

// Each scenario must end in exactly one outcome, and the run must end even
// when the package misbehaves.
TEST_F(PackageRunnerTest, ScenariosEndInExactlyOneOutcome) {
    struct Row {
        const char* scenario;
        StageEvent outcome;
    };
    const Row rows[] = {
        // Written just before exiting: must not be mistaken for a silent success.
        {"fail", {IST_CODE_FAIL, 0, "安装包安装失败"}},
        {"error", {IST_CODE_FAIL, 1000, "磁盘空间不足"}},
        {"silent", {INSTALL_SUCCESS, 1, ""}},
        {"nodecision", {INSTALL_SUCCESS, 1, ""}},
        // Dies by a signal before any verdict: the product is not installed.
        {"crash", {IST_CODE_FAIL, 0, "安装包安装失败"}},
        // Writes 1 MB (with "State=Fail" lines) after its verdict: must not block.
        {"keepwriting", {INSTALL_SUCCESS, 0, ""}},
        {"flood", {INSTALL_SUCCESS, 0, ""}},
        {"holdpipe", {INSTALL_SUCCESS, 0, ""}},
        // 1 MiB to standard error first: blocks (and gives up with "Error=")
        // unless that pipe is read too.
        {"stderrflood", {INSTALL_SUCCESS, 0, ""}},
    };
    for (const auto& row : rows) {
        StageRecorder recorder;
        TheLaunchSettings().InstCmd = std::string("-scenario=") + row.scenario;
        PackageRunner runner(recorder.Callback(), Quoted(package_), folder_.string(), true, false, true);
        auto started = std::chrono::steady_clock::now();
        runner.Start();
        runner.Join();
        auto took = std::chrono::steady_clock::now() - started;
        auto events = recorder.Events();
        ASSERT_GE(events.size(), 2u) << row.scenario;
        EXPECT_EQ(events[0], (StageEvent{IST_CODE_START, 0, ""})) << row.scenario;
        EXPECT_EQ(events[1], (StageEvent{IST_CODE_PROGRESS, 0, ""})) << row.scenario;
        EXPECT_EQ(recorder.Only({INSTALL_SUCCESS, IST_CODE_FAIL}), Events{row.outcome}) << row.scenario;
        EXPECT_EQ(events.back(), row.outcome) << row.scenario;
        // Its grandchild keeps the pipe open for 2 s after the package has exited.
        if (std::string(row.scenario) == "holdpipe") {
            EXPECT_LT(took, std::chrono::milliseconds(1900));
            WaitUntilGone(folder_ / "holder.alive");
        }
        if (std::string(row.scenario) == "stderrflood") {
            EXPECT_LT(took, std::chrono::seconds(5));
        }
    }
}

TEST_F(PackageRunnerTest, Encode936AppliesToTheLinesAfterIt) {
    Run("gbk");
    Events messages = recorder_.Only({IST_INFO_MESSAGE});
    EXPECT_EQ(messages, (Events{{IST_INFO_MESSAGE, 0, "安装完成"}, {IST_INFO_MESSAGE, 0, "安装完成"}}));
}

bool IsValidUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

// Invalid UTF-8, a NUL, a 1 MB line, 64 KB without a line feed and 100,000
// lines: what reaches the owner is well-formed text and the verdict stands.
TEST_F(PackageRunnerTest, BadOutputReachesTheOwnerAsWellFormedText) {
    Run("flood");
    for (const auto& event : recorder_.Events()) EXPECT_TRUE(IsValidUtf8(event.message)) << event.code;
    Events messages = recorder_.Only({IST_INFO_MESSAGE});
    ASSERT_GE(messages.size(), 2u);
    EXPECT_NE(messages[0].message.find(" not UTF-8"), std::string::npos);
    EXPECT_EQ(messages[1].message, "with");
    EXPECT_EQ(recorder_.Only({IST_INFO_INST_PATH}).front(), (StageEvent{IST_INFO_INST_PATH, 0, ""}));
    EXPECT_EQ(recorder_.Events().back(), (StageEvent{INSTALL_SUCCESS, 0, ""}));
}

TEST_F(PackageRunnerTest, SlowProgressArrivesStepByStep) {
    Run("slow");
    EXPECT_EQ(recorder_.Only({IST_CODE_PROGRESS}).size(), 2u + 20u + 2u);
    EXPECT_EQ(recorder_.Events().back(), (StageEvent{INSTALL_SUCCESS, 0, ""}));
}

// A package that never exits is waited for without limit, but its runner's
// owner can still let it go at once.
TEST_F(PackageRunnerTest, AHungPackageDoesNotHoldTheRunnersOwner) {
    TheLaunchSettings().InstCmd = "-scenario=hang";
    auto runner = std::make_unique<PackageRunner>(recorder_.Callback(), Quoted(package_), folder_.string(), true,
                                                  false, true);
    runner->Start();
    ASSERT_TRUE(recorder_.WaitFor(IST_CODE_PROGRESS));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto destroyed = std::chrono::steady_clock::now();
    runner.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - destroyed, std::chrono::milliseconds(200));
    EXPECT_TRUE(recorder_.Only({INSTALL_SUCCESS, IST_CODE_FAIL}).empty());

    std::ofstream(folder_ / "release") << "";
    ASSERT_TRUE(recorder_.WaitFor(INSTALL_SUCCESS));  // the worker ends on its own
    EXPECT_EQ(recorder_.Events().back(), (StageEvent{INSTALL_SUCCESS, 1, ""}));
}

TEST_F(PackageRunnerTest, MissingPackageFailsWithTwo) {
    PackageRunner runner(recorder_.Callback(), Quoted(temp_.Path() / "absent.exe"), folder_.string(), true, true,
                         true);
    runner.Start();
    runner.Join();
    EXPECT_EQ(recorder_.Events(),
              (Events{{IST_CODE_START, 0, ""}, {IST_CODE_PROGRESS, 0, ""}, {IST_CODE_FAIL, 2, ""}}));
}

TEST_F(PackageRunnerTest, RunsAgainAfterAFinishedRun) {
    TheLaunchSettings().InstCmd = "-scenario=silent";
    PackageRunner runner(recorder_.Callback(), Quoted(package_), folder_.string(), true, false, true);
    runner.Start();
    runner.Start();  // waits for the first run
    runner.Join();
    EXPECT_EQ(recorder_.Only({INSTALL_SUCCESS}).size(), 2u);
}

TEST(PackageRunnerCommandLine, IsBuiltTextForText) {
    struct Row {
        std::string folder;
        std::string inst_cmd;
        bool dsc, ssc, adminact, authorizationact;
        std::string expected;
    };
    const Row rows[] = {
        {"/opt/my apps/Quorvane", "-channel=7", true, false, true, false,
         R"("/tmp/p.exe" /S -console=show -version=1.0.0 -adminact=true -authorizationact=false -dsc=true -ssc=false)"
         R"( -channel=7 -instdir="/opt/my apps/Quorvane" /D=/opt/my apps/Quorvane)"},
        {"", "", false, true, false, true,
         R"("/tmp/p.exe" /S -console=show -version=1.0.0 -adminact=false -authorizationact=true -dsc=false -ssc=true)"},
    };
    std::string saved = TheLaunchSettings().InstCmd;
    for (const auto& row : rows) {
        TheLaunchSettings().InstCmd = row.inst_cmd;
        PackageRunner runner([](std::int32_t, double, const char*) {}, "\"/tmp/p.exe\"", "unused", !row.dsc,
                             !row.ssc, !row.adminact);
        runner.SetInstallFolder(row.folder);
        runner.SetDsc(row.dsc);
        runner.SetSsc(row.ssc);
        runner.SetAdminAct(row.adminact);
        runner.SetAuthorizationAct(row.authorizationact);
        EXPECT_EQ(runner.BuildCommandLine(), row.expected);
    }
    TheLaunchSettings().InstCmd = saved;
}

class UninstallerRunnerTest : public ::testing::Test {
protected:
    // An installation as the stand-in package leaves it, and the uninstaller
    // copied out of it, as the pipeline does before running it.
    void SetUp() override {
        old_folder_ = temp_.Path() / "old install";
        fs::create_directories(old_folder_);
        fs::copy_file(ProductFile(), old_folder_ / "Quorvane.exe");
        fs::copy_file(UninstallerFile(), old_folder_ / "uninst.ep");
        copy_ = temp_.Path() / "Quorvane_un_asa.exe";
        fs::copy_file(UninstallerFile(), copy_, fs::copy_options::overwrite_existing);
    }

    Events Run(const std::string& scenario) {
        std::ofstream(old_folder_ / "set.ini") << "[StandIn]\nUninstallScenario=" << scenario << "\n";
        StageRecorder recorder;
        UninstallerRunner runner(recorder.Callback(), copy_.string(), old_folder_.string());
        runner.Start();
        runner.Join();
        return recorder.Events();
    }

    TempFolder temp_;
    fs::path old_folder_;
    fs::path copy_;
};

TEST_F(UninstallerRunnerTest, SuccessRemovesTheInstallation) {
    Events expected = {{UNIST_CODE_PROGRESS, 0, ""},    {UNIST_CODE_PROGRESS, 0.25, ""}, {UNIST_CODE_PROGRESS, 0.5, ""},
                       {UNIST_CODE_PROGRESS, 0.75, ""}, {UNIST_CODE_PROGRESS, 1, ""},    {UNIST_CODE_SUCCESS, 0, ""}};
    EXPECT_EQ(Run("success"), expected);
    EXPECT_FALSE(fs::exists(old_folder_));
}

TEST_F(UninstallerRunnerTest, ScenariosEndInExactlyOneOutcome) {
    struct Row {
        const char* scenario;
        StageEvent outcome;
    };
    const Row rows[] = {
        {"fail", {UNIST_CODE_ERROR, 0, "安装包卸载失败"}},
        {"error", {UNIST_CODE_ERROR, 0, "卸载被用户取消"}},
        {"nodecision", {UNIST_CODE_SUCCESS, 1, ""}},
        {"crash", {UNIST_CODE_ERROR, 0, "安装包卸载失败"}},
        {"silent", {UNIST_CODE_SUCCESS, 1, ""}},
        {"flood", {UNIST_CODE_SUCCESS, 0, ""}},
        // Says "State=Success", then runs on writing "State=Fail" lines: the
        // first verdict stands and its exit adds nothing.
        {"keeprunning", {UNIST_CODE_SUCCESS, 0, ""}},
        {"stderrflood", {UNIST_CODE_SUCCESS, 0, ""}},
    };
    for (const auto& row : rows) {
        if (!fs::exists(old_folder_)) SetUp();
        auto started = std::chrono::steady_clock::now();
        Events events = Run(row.scenario);
        if (std::string(row.scenario) == "stderrflood") {
            EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
        }
        ASSERT_FALSE(events.empty()) << row.scenario;
        EXPECT_EQ(events.front(), (StageEvent{UNIST_CODE_PROGRESS, 0, ""})) << row.scenario;
        Events outcomes;
        for (const auto& event : events)
            if (event.code != UNIST_CODE_PROGRESS) outcomes.push_back(event);
        EXPECT_EQ(outcomes, Events{row.outcome}) << row.scenario;
    }
}

TEST_F(UninstallerRunnerTest, Encode936IsNotAppliedToUninstallerOutput) {
    Events events = Run("encode936");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].code, UNIST_CODE_ERROR);
    EXPECT_NE(events[1].message, "卸载失败");
    EXPECT_FALSE(events[1].message.empty());
}

TEST_F(UninstallerRunnerTest, MissingUninstallerReportsOnlyFiveThousandFour) {
    StageRecorder recorder;
    UninstallerRunner runner(recorder.Callback(), (temp_.Path() / "gone.exe").string(), old_folder_.string());
    runner.Start();
    runner.Join();
    EXPECT_EQ(recorder.Events(), (Events{{UNIST_CODE_FAIL, 1, "可执行卸载文件不存在"}}));
}

TEST(UninstallerRunnerCommandLine, IsBuiltTextForText) {
    std::string user;
    bool console_admin = Utils::GetConsoleUserName(user) && Utils::IsAdministratorAccount(user);
    std::string flags = std::string(" /S -adminact=") + (console_admin ? "true" : "false") +
                        " -authorizationact=" + (Utils::IsUserAdmin() ? "true" : "false") + " -console=show _?=";
    auto build = [](const std::string& path, const std::string& folder) {
        return UninstallerRunner([](std::int32_t, double, const char*) {}, path, folder).BuildCommandLine();
    };
    EXPECT_EQ(build("/tmp/Quorvane_un_asa.exe", "/opt/old dir"), "/tmp/Quorvane_un_asa.exe" + flags + "/opt/old dir");
    EXPECT_EQ(build("/tmp/my temp/Quorvane_un_asa.exe", "/o"), "\"/tmp/my temp/Quorvane_un_asa.exe\"" + flags + "/o");
}

}  // namespace
