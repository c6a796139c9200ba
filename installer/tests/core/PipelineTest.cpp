// The pipeline driven by a scripted engine and the real stand-in setup
// package and uninstaller.
#include "core/DownloadInstaller.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "RunnerTestSupport.h"
#include "core/LaunchSettings.h"
#include "download/CurlDownloader.h"
#include "download/MTCurlDownloader.h"
#include "download/WinDownloader.h"
#include "platform/environment.h"

namespace fs = std::filesystem;
using Events = std::vector<StageEvent>;
using Codes = std::vector<std::int32_t>;

namespace {

// One step of a scripted download attempt. kWritePackage puts the stand-in
// package at the target, kWritePart a partial file.
constexpr std::int32_t kWritePackage = -1;
constexpr std::int32_t kWritePart = -2;
using Attempt = std::vector<StageEvent>;

struct EngineLog {
    std::atomic<int> created{0};
    std::atomic<int> starts{0};
    std::string target;
};

// Reports its script on a thread of its own per Start, like a real engine.
class ScriptedEngine : public CDownloader {
public:
    ScriptedEngine(DownloadCallback callback, std::string target, std::vector<Attempt> script,
                   std::shared_ptr<EngineLog> log)
        : callback_(std::move(callback)), target_(std::move(target)), script_(std::move(script)), log_(log) {}
    ~ScriptedEngine() override {
        std::vector<std::thread> threads;
        {
            std::lock_guard guard(lock_);
            threads.swap(threads_);
        }
        for (auto& thread : threads) thread.join();
    }
    void Start() override {
        std::size_t attempt = static_cast<std::size_t>(log_->starts++);
        Attempt steps = attempt < script_.size() ? script_[attempt] : Attempt{};
        std::lock_guard guard(lock_);
        threads_.emplace_back([this, steps] {
            std::error_code error;  // the folder is missing when the pipeline dropped the 1001
            for (const auto& step : steps) {
                if (step.code == kWritePackage) {
                    fs::copy_file(SetupPackageFile(), target_, fs::copy_options::overwrite_existing, error);
                } else if (step.code == kWritePart) {
                    std::ofstream(target_) << "partial";
                } else {
                    callback_(step.code, step.progress, step.message.c_str());
                }
            }
        });
    }

private:
    DownloadCallback callback_;
    std::string target_;
    std::vector<Attempt> script_;
    std::shared_ptr<EngineLog> log_;
    std::mutex lock_;
    std::vector<std::thread> threads_;
};

const Attempt kDownloadOk = {{DL_CODE_START, 1, ""}, {DL_CODE_PROGRESS, 0.5, ""}, {kWritePackage, 0, ""},
                             {DL_CODE_SUCCESS, 0, "LibCurl"}};

class PipelineTest : public ::testing::Test {
protected:
    PipelineTest() : tmpdir_("TMPDIR", (temp_.Path() / "tmp").string()) {
        fs::create_directories(temp_.Path() / "tmp");
        folder_ = (temp_.Path() / "install" / "Quorvane").string();
        saved_inst_cmd_ = TheLaunchSettings().InstCmd;
    }
    ~PipelineTest() override { TheLaunchSettings().InstCmd = saved_inst_cmd_; }

    std::unique_ptr<CDownloadInstaller> Make(std::vector<Attempt> script, StageCallback callback = {}) {
        if (!callback) callback = recorder_.Callback();
        auto pipeline = std::make_unique<CDownloadInstaller>(callback, "", "", "", true, true, true);
        pipeline->SetEngineFactory([this, script](std::int32_t, DownloadCallback engine_callback, std::string,
                                                  std::string target) -> std::unique_ptr<CDownloader> {
            ++log_->created;
            log_->target = target;
            return std::make_unique<ScriptedEngine>(std::move(engine_callback), target, script, log_);
        });
        return pipeline;
    }

    // An installation made by the stand-in package itself; its uninstaller
    // will play `uninstall_scenario`.
    std::string InstallOldCopy(const std::string& uninstall_scenario) {
        old_folder_ = (temp_.Path() / "old" / "Quorvane").string();
        fs::create_directories(old_folder_);
        std::string command = "\"" + SetupPackageFile().string() + "\" -uninstall-scenario=" + uninstall_scenario +
                              " \"-instdir=" + old_folder_ + "\" > /dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return old_folder_ + "/uninst.ep";
    }

    TempFolder temp_;
    platform::ScopedEnvironmentVariable tmpdir_;
    std::string folder_;
    std::string old_folder_;
    std::string saved_inst_cmd_;
    StageRecorder recorder_;
    std::shared_ptr<EngineLog> log_ = std::make_shared<EngineLog>();
};

// Codes with the runs of progress reports folded into one.
Codes Folded(const Codes& codes) {
    Codes folded;
    for (auto code : codes) {
        bool progress = code == DL_CODE_PROGRESS || code == IST_CODE_PROGRESS || code == UNIST_CODE_PROGRESS;
        if (progress && !folded.empty() && folded.back() == code) continue;
        folded.push_back(code);
    }
    return folded;
}

const Codes kInstallCodes = {IST_CODE_START,
                             IST_CODE_PROGRESS,
                             IST_INFO_INST_PATH,
                             IST_INFO_EXE_PATH,
                             IST_INFO_UNINST_EP,
                             IST_INFO_STARTUP_STYLE,
                             IST_INFO_TOP_SHOW_DETENTION,
                             IST_INFO_FINISH_CLOSE_DETENTION,
                             IST_INFO_START_URL,
                             IST_INFO_MESSAGE,
                             IST_CODE_PROGRESS,
                             INSTALL_SUCCESS};

Codes Concat(Codes first, const Codes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

TEST_F(PipelineTest, WithoutAnOldInstallationDownloadsThenInstalls) {
    auto pipeline = Make({kDownloadOk});
    pipeline->Configure("http://127.0.0.1:1/software/245", "", folder_, true, false, true, false);
    pipeline->Start();
    ASSERT_TRUE(recorder_.WaitFor(INSTALL_SUCCESS));
    pipeline.reset();
    EXPECT_EQ(Folded(recorder_.Codes()), Concat({DL_CODE_START, DL_CODE_PROGRESS, DL_CODE_SUCCESS}, kInstallCodes));
    EXPECT_EQ(log_->target, folder_ + "/__Package_Quorvane.exe");
    EXPECT_FALSE(fs::exists(log_->target)) << "the package is deleted after installing";
    EXPECT_TRUE(fs::exists(folder_ + "/Quorvane.exe"));
    std::ifstream args(folder_ + "/package.args");
    std::string all((std::istreambuf_iterator<char>(args)), {});
    EXPECT_NE(all.find("-dsc=true\n-ssc=false\n"), std::string::npos) << all;
}

// The owner hears of each event before the pipeline acts on it.
TEST_F(PipelineTest, EveryEventReachesTheCallbackBeforeThePipelineActs) {
    std::string package;
    std::atomic<int> checked{0};
    auto check = [&](std::int32_t code, double progress, const char* message) {
        if (code == DL_CODE_START && recorder_.Only({DL_CODE_START}).empty()) {
            EXPECT_FALSE(fs::exists(folder_)) << "folder made before 1001 was forwarded";
        }
        if (code == DL_CODE_SUCCESS) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            EXPECT_TRUE(recorder_.Only({IST_CODE_START}).empty()) << "package started before 1003 was forwarded";
        }
        if (code == INSTALL_SUCCESS || code == DL_CODE_FAIL) {
            EXPECT_TRUE(fs::exists(package)) << "package deleted before " << code << " was forwarded";
        }
        ++checked;
        recorder_.Add({code, progress, message});
    };
    auto pipeline = Make({{{DL_CODE_START, 1, ""}, {kWritePart, 0, ""}, {DL_CODE_FAIL, 28, "LibCurl"}}, kDownloadOk},
                         check);
    pipeline->Configure("u", "", folder_, true, true, true, true);
    package = folder_ + "/__Package_Quorvane.exe";
    pipeline->Start();
    ASSERT_TRUE(recorder_.WaitFor(DL_CODE_FAIL));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(fs::exists(package)) << "a failed download's package is deleted";

    // The owner's restart reuses the engine.
    pipeline->Start();
    ASSERT_TRUE(recorder_.WaitFor(INSTALL_SUCCESS));
    pipeline.reset();
    EXPECT_EQ(log_->created, 1);
    EXPECT_EQ(log_->starts, 2);
    EXPECT_EQ(recorder_.Only({DL_CODE_FAIL}), (Events{{DL_CODE_FAIL, 28, "LibCurl"}}));
}

TEST_F(PipelineTest, RetryRestartsTheSameEngineAndInstallsOnce) {
    auto pipeline = Make({{{DL_CODE_START, 1, ""}, {DL_CODE_RETRY, 22, "LibCurl"}}, kDownloadOk});
    pipeline->Configure("u", "", folder_, true, true, true, true);
    pipeline->Start();
    ASSERT_TRUE(recorder_.WaitFor(INSTALL_SUCCESS));
    pipeline.reset();
    EXPECT_EQ(log_->created, 1);
    EXPECT_EQ(log_->starts, 2);
    EXPECT_EQ(recorder_.Only({IST_CODE_START}).size(), 1u);
    EXPECT_EQ(Folded(recorder_.Codes()),
              Concat({DL_CODE_START, DL_CODE_RETRY, DL_CODE_START, DL_CODE_PROGRESS, DL_CODE_SUCCESS}, kInstallCodes));
}

TEST_F(PipelineTest, UnknownCodesAreForwardedUnchanged) {
    auto pipeline = Make({{{DL_CODE_START, 1, ""},
                           {DL_CODE_NOTICE, 0, "校验失败"},
                           {4242, 7.5, "odd"},
                           {DL_CODE_FAIL, 1, ""}}});
    pipeline->Configure("u", "", folder_, true, true, true, true);
    pipeline->Start();
    ASSERT_TRUE(recorder_.WaitFor(DL_CODE_FAIL));
    pipeline.reset();
    EXPECT_EQ(recorder_.Events(), (Events{{DL_CODE_START, 1, ""},
                                          {DL_CODE_NOTICE, 0, "校验失败"},
                                          {4242, 7.5, "odd"},
                                          {DL_CODE_FAIL, 1, ""}}));
}

TEST_F(PipelineTest, AnOldInstallationIsUninstalledFirst) {
    std::string old_uninstaller = InstallOldCopy("success");
    auto pipeline = Make({kDownloadOk});
    pipeline->Configure("u", old_uninstaller, folder_, true, true, true, true);
    pipeline->Start();
    ASSERT_TRUE(recorder_.WaitFor(INSTALL_SUCCESS));
    pipeline.reset();
    EXPECT_EQ(Folded(recorder_.Codes()),
              Concat({UNIST_CODE_PROGRESS, UNIST_CODE_SUCCESS, DL_CODE_START, DL_CODE_PROGRESS, DL_CODE_SUCCESS},
                     kInstallCodes));
    EXPECT_FALSE(fs::exists(old_folder_)) << "the old copy is removed";
    EXPECT_TRUE(fs::exists(CDownloadInstaller::UninstallerCopyPath()));
    EXPECT_TRUE(fs::exists(folder_ + "/Quorvane.exe"));
}

TEST_F(PipelineTest, AFailedUninstallStopsThePipeline) {
    for (const char* scenario : {"fail", "error"}) {
        StageRecorder recorder;
        std::string old_uninstaller = InstallOldCopy(scenario);
        auto pipeline = Make({kDownloadOk}, recorder.Callback());
        pipeline->Configure("u", old_uninstaller, folder_, true, true, true, true);
        pipeline->Start();
        ASSERT_TRUE(recorder.WaitFor(UNIST_CODE_ERROR)) << scenario;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        pipeline.reset();
        EXPECT_EQ(Folded(recorder.Codes()), (Codes{UNIST_CODE_PROGRESS, UNIST_CODE_ERROR})) << scenario;
        EXPECT_EQ(log_->starts, 0) << scenario;
        EXPECT_TRUE(fs::exists(old_folder_ + "/Quorvane.exe")) << scenario;
    }
}

TEST_F(PipelineTest, AMissingOldUninstallerMeansNoUninstall) {
    auto pipeline = Make({kDownloadOk});
    pipeline->Configure("u", (temp_.Path() / "gone" / "uninst.ep").string(), folder_, true, true, true, true);
    pipeline->Start();
    ASSERT_TRUE(recorder_.WaitFor(INSTALL_SUCCESS));
    pipeline.reset();
    EXPECT_EQ(Folded(recorder_.Codes()), Concat({DL_CODE_START, DL_CODE_PROGRESS, DL_CODE_SUCCESS}, kInstallCodes));
}

// A copy left by an earlier run must not be run when this run's copy fails.
TEST_F(PipelineTest, AFailedCopyDoesNotRunAStaleUninstaller) {
    std::string old_uninstaller = InstallOldCopy("success");
    std::string copy = CDownloadInstaller::UninstallerCopyPath();
    fs::create_directories(copy);  // a folder in the copy's place makes the copy fail
    fs::copy_file(SetupPackageFile(), copy + "/stale");
    auto pipeline = Make({kDownloadOk});
    pipeline->Configure("u", old_uninstaller, folder_, true, true, true, true);
    pipeline->Start();
    ASSERT_TRUE(recorder_.WaitFor(UNIST_CODE_FAIL));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    pipeline.reset();
    EXPECT_EQ(recorder_.Events(), (Events{{UNIST_CODE_FAIL, 1, "可执行卸载文件不存在"}}));
}

TEST_F(PipelineTest, ANewInstallFolderGetsANewEngine) {
    auto pipeline = Make({{{DL_CODE_START, 1, ""}, {DL_CODE_FAIL, 7, "LibCurl"}}, kDownloadOk});
    pipeline->Configure("u", "", folder_, true, true, true, true);
    pipeline->Start();
    ASSERT_TRUE(recorder_.WaitFor(DL_CODE_FAIL));
    std::string other = (temp_.Path() / "other" / "Quorvane").string();
    pipeline->Configure("u", "", other, true, true, true, true);
    pipeline->Start();
    EXPECT_EQ(pipeline->PackagePath(), other + "/__Package_Quorvane.exe");
    pipeline.reset();
    EXPECT_EQ(log_->created, 2);
    EXPECT_EQ(log_->target, other + "/__Package_Quorvane.exe");
}

// Closing the installer while the package hangs: the pipeline goes at once and
// the package's later events go nowhere.
TEST_F(PipelineTest, DestroyingThePipelineDoesNotWaitForAHungPackage) {
    TheLaunchSettings().InstCmd = "-scenario=hang";
    auto pipeline = Make({kDownloadOk});
    pipeline->Configure("u", "", folder_, true, true, true, true);
    pipeline->Start();
    ASSERT_TRUE(recorder_.WaitFor(IST_CODE_PROGRESS));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto destroyed = std::chrono::steady_clock::now();
    pipeline.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - destroyed, std::chrono::milliseconds(500));

    fs::path release = fs::path(folder_) / "release";
    std::ofstream(release) << "";
    for (int i = 0; i < 1000 && fs::exists(release); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the worker's last poll
    EXPECT_TRUE(recorder_.Only({INSTALL_SUCCESS, IST_CODE_FAIL}).empty());
}

TEST(PipelineEngine, DownloadTypeChoosesTheEngine) {
    TempFolder temp;
    std::string target = (temp.Path() / "p.exe").string();
    auto noop = [](std::int32_t, double, const char*) {};
    for (std::int32_t type : {0, 1, 7, -1, 2, 3}) {
        auto engine = CDownloadInstaller::CreateEngine(type, noop, "http://127.0.0.1:1/x", target);
        bool single = dynamic_cast<CCurlDownloader*>(engine.get()) != nullptr;
        bool moniker = dynamic_cast<CWinDownloader*>(engine.get()) != nullptr;
        bool multi = dynamic_cast<CMTCurlDownloader*>(engine.get()) != nullptr;
        EXPECT_EQ(moniker, type == 2) << type;
        EXPECT_EQ(multi, type == 3) << type;
        EXPECT_EQ(single, type != 2 && type != 3) << type;
    }
}

}  // namespace
