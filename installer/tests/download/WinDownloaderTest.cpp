#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "DownloadHost.h"
#include "DownloadTestSupport.h"
#include "download/DownloadTimings.h"
#include "download/WinDownloader.h"
#include "platform/url_download.h"

using namespace download_test;
using download_host::DownloadHost;
using download_host::Faults;

namespace {

constexpr std::size_t kMiB = 1048576;

std::unique_ptr<CDownloader> MakeEngine(DownloadCallback callback, const std::string& url, const std::string& target) {
    return std::make_unique<CWinDownloader>(callback, url, target);
}

std::unique_ptr<Owner> MonikerOwner(const std::string& url, const std::string& target) {
    return std::make_unique<Owner>(target, [&](DownloadCallback callback) {
        return std::make_unique<CWinDownloader>(callback, url, target);
    });
}

TEST(WinDownloader, EscapesTheAddress) {
    struct Case {
        const char* url;
        const char* escaped;
    } cases[] = {
        {"http://h/a b.exe", "http://h/a+b.exe"},
        {"http://h/安装.exe", "http://h/%E5%AE%89%E8%A3%85.exe"},
        {"http://h/a%20b?x=1&y=/z", "http://h/a%20b?x=1&y=/z"},
        {"http://h/tab\there", "http://h/tab%09here"},
        {"file:///tmp/a b.exe", "file:///tmp/a b.exe"},
    };
    for (const auto& c : cases) EXPECT_EQ(CWinDownloader::EscapeUrl(c.url), c.escaped) << c.url;
}

struct Scenario {
    const char* name;
    Faults faults{};
    bool https = false;
    std::vector<std::int32_t> codes{};
    double final_value = 0.0;
    const char* final_text = "URLDownloadToFile";
    int gets = -1;
};

class WinDownloaderScenario : public testing::TestWithParam<Scenario> {};

TEST_P(WinDownloaderScenario, EndsAsExpected) {
    const Scenario& scenario = GetParam();
    HostedDownload download(MakeEngine, {.content = RandomBytes(3 * kMiB), .faults = scenario.faults}, scenario.https);
    download.RunToEnd();
    download.ExpectEnding(scenario.codes, scenario.final_value, scenario.final_text);
    auto reports = download.Reports();
    // Nothing but the target is left in the folder.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(download.folder.Path())) ++files;
    EXPECT_EQ(files, reports.back().code == DL_CODE_SUCCESS ? 1 : 0);
    if (scenario.gets >= 0) {
        EXPECT_EQ(static_cast<int>(download.GetRanges().size()), scenario.gets);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, WinDownloaderScenario,
    testing::Values(
        Scenario{.name = "plain", .codes = {DL_CODE_START, DL_CODE_SUCCESS}, .gets = 1},
        Scenario{.name = "https", .https = true, .codes = {DL_CODE_START, DL_CODE_SUCCESS}},
        Scenario{.name = "slow_with_progress",
                 .faults = {.rate_bytes_per_second = kMiB},
                 .codes = {DL_CODE_START, DL_CODE_SUCCESS}},
        Scenario{.name = "three_failures",
                 .faults = {.get_status = 500, .get_status_count = -1},
                 .codes = {DL_CODE_START, DL_CODE_FAIL},
                 .final_value = static_cast<double>(platform::kUrlDownloadFailure),
                 .gets = 3},
        Scenario{.name = "not_found",
                 .faults = {.get_status = 404, .get_status_count = -1},
                 .codes = {DL_CODE_START, DL_CODE_FAIL},
                 .final_value = static_cast<double>(platform::kUrlNotFound)},
        Scenario{.name = "dropped_each_time",
                 .faults = {.drop_after_bytes = 1000, .drop_count = -1},
                 .codes = {DL_CODE_START, DL_CODE_FAIL},
                 .final_value = static_cast<double>(platform::kUrlDownloadFailure),
                 .gets = 3}),
    [](const auto& info) { return std::string(info.param.name); });

// Two failures and a success: the pauses of one second are kept, and no
// failure is reported in between.
TEST(WinDownloader, TriesThreeTimesOneSecondApart) {
    auto& timings = download::TheDownloadTimings();
    const int saved = timings.moniker_retry_pause_ms;
    timings.moniker_retry_pause_ms = 1000;
    HostedDownload download(MakeEngine,
                            {.content = RandomBytes(kMiB), .faults = {.get_status = 503, .get_status_count = 2}});
    auto began = std::chrono::steady_clock::now();
    download.RunToEnd();
    auto elapsed = std::chrono::steady_clock::now() - began;
    timings.moniker_retry_pause_ms = saved;
    EXPECT_EQ(download.owner->Codes(), (std::vector<std::int32_t>{DL_CODE_START, DL_CODE_SUCCESS}));
    EXPECT_GE(elapsed, std::chrono::milliseconds(2000));
    EXPECT_LT(elapsed, std::chrono::milliseconds(4000));
}

TEST(WinDownloader, RequestsTheEscapedAddress) {
    TempFolder folder;
    DownloadHost host;
    ASSERT_TRUE(host.Start());
    host.AddPlainFile("/files/a+b.exe", "plus");
    host.AddPlainFile("/files/%E5%AE%89%E8%A3%85.exe", "chinese");
    struct Case {
        std::string path, content;
    } cases[] = {{"/files/a b.exe", "plus"}, {"/files/安装.exe", "chinese"}};
    for (const auto& c : cases) {
        const std::string target = folder.File("package.exe");
        auto owner = MonikerOwner(host.BaseUrl() + c.path, target);
        owner->Start();
        ASSERT_TRUE(owner->WaitForEnd());
        EXPECT_EQ(owner->LastCode(), DL_CODE_SUCCESS) << c.path;
        EXPECT_EQ(ReadFile(target), c.content);
    }
}

TEST(WinDownloader, FileAddressIsCopied) {
    TempFolder folder;
    const std::string source = folder.File("source file.bin");
    const std::string content = RandomBytes(200000);
    WriteFile(source, content);
    const std::string target = folder.File("package.exe");
    auto owner = MonikerOwner("file://" + source, target);
    owner->Start();
    ASSERT_TRUE(owner->WaitForEnd());
    EXPECT_EQ(owner->LastCode(), DL_CODE_SUCCESS);
    EXPECT_TRUE(ReadFile(target) == content);
}

TEST(WinDownloader, EmptyTargetFailsWithOne) {
    auto owner = MonikerOwner("http://127.0.0.1:9/x", "");
    owner->Start();
    ASSERT_TRUE(owner->WaitForEnd());
    auto reports = owner->Reports();
    ASSERT_EQ(WithoutProgress(reports), (std::vector<std::int32_t>{DL_CODE_START, DL_CODE_FAIL}));
    EXPECT_EQ(reports.back().value, 1.0);
    EXPECT_EQ(reports.back().text, "");
}

// One attempt in the engine's life: a later Start does nothing.
TEST(WinDownloader, SecondStartDoesNothing) {
    HostedDownload download(MakeEngine, {.content = RandomBytes(kMiB)});
    download.RunToEnd();
    download.owner->Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(download.owner->Codes(), (std::vector<std::int32_t>{DL_CODE_START, DL_CODE_SUCCESS}));
}

TEST(WinDownloader, BindCallbackReportsKnownProgressOncePerSecond) {
    std::vector<std::pair<std::int32_t, double>> seen;
    CWinDownloader::CBindCallback callback;
    callback.SetCallback([&](std::int32_t code, double value, const char*) { seen.emplace_back(code, value); });
    EXPECT_EQ(callback.OnProgress(5, 0, platform::kBindStatusDownloadingData, ""), platform::kUrlOk);
    EXPECT_EQ(callback.OnProgress(1, 4, platform::kBindStatusDownloadingData, ""), platform::kUrlOk);
    EXPECT_EQ(callback.OnProgress(4, 4, platform::kBindStatusDownloadingData, ""), platform::kUrlOk);  // too soon
    EXPECT_EQ(seen, (std::vector<std::pair<std::int32_t, double>>{{DL_CODE_PROGRESS, 0.25}}));
    callback.Cancel();
    EXPECT_EQ(callback.OnProgress(4, 4, platform::kBindStatusDownloadingData, ""), platform::kUrlAborted);
}

TEST(WinDownloader, DestroyingCancelsTheDownload) {
    HostedDownload download(MakeEngine,
                            {.content = RandomBytes(4 * kMiB), .faults = {.rate_bytes_per_second = 256 * 1024}});
    download.owner->Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_LT(download.owner->DestroyEngine().count(), 2000);
    EXPECT_EQ(download.owner->Codes(), (std::vector<std::int32_t>{DL_CODE_START}));
    EXPECT_FALSE(std::filesystem::exists(download.target));
}

}  // namespace
