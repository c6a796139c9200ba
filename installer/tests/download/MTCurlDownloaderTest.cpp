#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

#include "DownloadHost.h"
#include "DownloadTestSupport.h"
#include "download/MTCurlDownloader.h"

using namespace download_test;
using download_host::DigestFolder;
using download_host::DownloadHost;
using download_host::Faults;

namespace {

constexpr std::size_t kMiB = 1048576;

std::unique_ptr<CDownloader> MakeEngine(DownloadCallback callback, const std::string& url, const std::string& target) {
    return std::make_unique<CMTCurlDownloader>(callback, url, target);
}

struct Scenario {
    const char* name;
    std::size_t size = 2 * kMiB;
    Faults faults{};
    bool https = false;
    std::vector<std::int32_t> codes{};  // expected, without PROGRESS
    double final_value = 0.0;
    std::vector<std::string> ranges{};  // expected Range headers of the GETs, in order (empty: not checked)
    int gets = -1;                      // expected number of GETs (-1: not checked)
};

std::string Range(std::int64_t first, std::int64_t last) {
    return "bytes=" + std::to_string(first) + "-" + std::to_string(last);
}

std::vector<Scenario> Scenarios() {
    const std::vector<std::int32_t> success = {DL_CODE_START, DL_CODE_SUCCESS};
    const std::vector<std::int32_t> retry_then_fail = {DL_CODE_START, DL_CODE_RETRY, DL_CODE_START, DL_CODE_FAIL};
    std::vector<Scenario> table;
    table.push_back({.name = "smallest_size", .size = 256, .codes = success, .ranges = {Range(0, 255)}});
    table.push_back({.name = "size_255_fails_the_probe",
                     .size = 255,
                     .codes = {DL_CODE_START, DL_CODE_FAIL},
                     .gets = 0});
    table.push_back({.name = "nine_mib_is_one_range", .size = 9 * kMiB, .codes = success, .ranges = {Range(0, 9 * kMiB - 1)}});
    table.push_back({.name = "fifteen_mib_is_one_range",
                     .size = 15 * kMiB,
                     .codes = success,
                     .ranges = {Range(0, 15 * kMiB - 1)}});
    table.push_back({.name = "twenty_five_mib_is_two_ranges",
                     .size = 25 * kMiB,
                     .codes = success,
                     .ranges = {Range(0, 25 * kMiB / 2 - 1), Range(25 * kMiB / 2, 25 * kMiB - 1)}});
    table.push_back({.name = "odd_byte_goes_to_the_last_range",
                     .size = 20 * kMiB + 1,
                     .https = true,
                     .codes = success,
                     .ranges = {Range(0, 10 * kMiB - 1), Range(10 * kMiB, 20 * kMiB)}});
    table.push_back({.name = "no_md5_folder",
                     .faults = {.digest = DigestFolder::None},
                     .codes = {DL_CODE_START, DL_CODE_NOTICE, DL_CODE_SUCCESS}});
    table.push_back({.name = "upper_case_digest_is_a_mismatch",
                     .faults = {.digest = DigestFolder::UpperCase},
                     .codes = {DL_CODE_START, DL_CODE_NOTICE, DL_CODE_RETRY, DL_CODE_START, DL_CODE_NOTICE,
                               DL_CODE_FAIL}});
    table.push_back({.name = "head_answered_400",
                     .faults = {.head_status = 400},
                     .codes = {DL_CODE_START, DL_CODE_FAIL},
                     .gets = 0});
    // Every try of the range is cut after 100 bytes: 13 tries per attempt.
    table.push_back({.name = "partial_file_budget",
                     .faults = {.drop_after_bytes = 100, .drop_count = -1},
                     .codes = retry_then_fail,
                     .final_value = 18,
                     .gets = 26});
    table.push_back({.name = "other_error_budget",
                     .faults = {.get_status = 500, .get_status_count = -1},
                     .codes = retry_then_fail,
                     .final_value = 22,
                     .gets = 14});
    table.push_back({.name = "dropped_range_is_resumed",
                     .size = 25 * kMiB,
                     .faults = {.drop_after_bytes = 1000000, .drop_count = 1, .from_offset = 1},
                     .codes = success,
                     .ranges = {Range(0, 25 * kMiB / 2 - 1), Range(25 * kMiB / 2, 25 * kMiB - 1),
                                Range(25 * kMiB / 2 + 1000000, 25 * kMiB - 1)}});
    // A server that answers a range with the whole file must not fill a part.
    table.push_back({.name = "range_ignored_on_two_ranges",
                     .size = 25 * kMiB,
                     .faults = {.ignore_range = true},
                     .codes = retry_then_fail,
                     .final_value = 23});
    table.push_back({.name = "range_ignored_on_the_whole_file", .faults = {.ignore_range = true}, .codes = success});
    return table;
}

class MTCurlDownloaderScenario : public testing::TestWithParam<Scenario> {};

TEST_P(MTCurlDownloaderScenario, EndsAsExpected) {
    const Scenario& scenario = GetParam();
    HostedDownload download(MakeEngine, {.content = RandomBytes(scenario.size), .faults = scenario.faults},
                            scenario.https);
    download.RunToEnd();
    download.ExpectEnding(scenario.codes, scenario.final_value, "LibCurl");
    auto reports = download.Reports();
    if (reports.back().code == DL_CODE_SUCCESS) {
        EXPECT_FALSE(std::filesystem::exists(download.target + "_0") || std::filesystem::exists(download.target + "_1"));
    }
    std::vector<std::string> ranges = download.GetRanges();
    if (!scenario.ranges.empty()) {
        std::sort(ranges.begin(), ranges.end());
        auto expected = scenario.ranges;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(ranges, expected);
    }
    if (scenario.gets >= 0) {
        EXPECT_EQ(static_cast<int>(ranges.size()), scenario.gets);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, MTCurlDownloaderScenario, testing::ValuesIn(Scenarios()),
                         [](const auto& info) { return std::string(info.param.name); });

// A failed attempt that had made progress keeps its parts; the retry fetches
// only what is missing, and a finished part 0 gets no thread at all.
TEST(MTCurlDownloader, RetryResumesAndSkipsACompletePart) {
    const std::int64_t size = 25 * kMiB;
    HostedDownload download(MakeEngine, {.content = RandomBytes(size),
                                         .faults = {.get_status = 500,
                                                    .get_status_count = 7,
                                                    .rate_bytes_per_second = 8 * kMiB,
                                                    .from_offset = size / 2}});
    std::vector<std::string> ranges_at_retry;
    download.owner->OnRetry([&] {
        ranges_at_retry = download.GetRanges();
        download.host.ClearRequests();
    });
    download.RunToEnd();
    ASSERT_EQ(download.owner->Codes(),
              (std::vector<std::int32_t>{DL_CODE_START, DL_CODE_RETRY, DL_CODE_START, DL_CODE_SUCCESS}));
    EXPECT_EQ(std::count(ranges_at_retry.begin(), ranges_at_retry.end(), Range(size / 2, size - 1)), 7);
    EXPECT_EQ(download.GetRanges(), (std::vector<std::string>{Range(size / 2, size - 1)}));
}

// Parts that do not add up to the probed length are never passed off as the
// package, even without a digest to catch it.
TEST(MTCurlDownloader, JoinedSizeMismatchFailsTheAttempt) {
    const std::int64_t size = 25 * kMiB;
    HostedDownload download(MakeEngine, {.content = RandomBytes(size),
                                         .faults = {.get_status = 500,
                                                    .get_status_count = 7,
                                                    .rate_bytes_per_second = 8 * kMiB,
                                                    .from_offset = size / 2,
                                                    .digest = DigestFolder::None}});
    download.owner->OnRetry([&] {
        std::ofstream part(download.target + "_0", std::ios::binary | std::ios::app);
        part << "stale bytes";
    });
    download.RunToEnd();
    EXPECT_EQ(download.owner->Codes(),
              (std::vector<std::int32_t>{DL_CODE_START, DL_CODE_RETRY, DL_CODE_START, DL_CODE_FAIL}));
    EXPECT_EQ(download.owner->LastValue(), CMTCurlDownloader::kJoinedSizeWrong);
}

// A range that stops arriving is cut by the low-speed limit and resumed.
TEST(MTCurlDownloader, StalledRangeIsCutAndResumed) {
    HostedDownload download(MakeEngine, {.content = RandomBytes(2 * kMiB),
                                         .faults = {.stall_after_bytes = 1000000, .stall_ms = 30000, .stall_count = 1}});
    auto began = std::chrono::steady_clock::now();
    download.RunToEnd();
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(20));
    EXPECT_EQ(download.owner->LastCode(), DL_CODE_SUCCESS);
    EXPECT_EQ(download.GetRanges().back(), Range(1000000, 2 * kMiB - 1));
}

// Packages of 2 GiB and more: lengths and range offsets past 32 bits.
TEST(MTCurlDownloader, RangesOfAFileOverFourGiB) {
    TempFolder source_folder;
    const std::string source = source_folder.File("large.bin");
    const std::int64_t size = (std::int64_t{1} << 32) + 3;
    { std::ofstream create(source, std::ios::binary); }
    std::filesystem::resize_file(source, static_cast<std::uintmax_t>(size));  // sparse: no disk used
    HostedDownload download(MakeEngine, {.file_path = source,
                                         .faults = {.rate_bytes_per_second = 256 * 1024, .digest = DigestFolder::None}});
    download.owner->Start();
    ASSERT_TRUE(WaitUntil([&] { return download.GetRanges().size() == 2; }));
    download.owner->DestroyEngine();
    auto ranges = download.GetRanges();
    std::sort(ranges.begin(), ranges.end());
    EXPECT_EQ(ranges, (std::vector<std::string>{Range(0, size / 2 - 1), Range(size / 2, size - 1)}));
}

TEST(MTCurlDownloader, DestroyingStopsRunningRanges) {
    HostedDownload download(MakeEngine,
                            {.content = RandomBytes(25 * kMiB), .faults = {.rate_bytes_per_second = 1 * kMiB}});
    download.owner->Start();
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(download.target + "_1"); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_LT(download.owner->DestroyEngine().count(), 2000);
    EXPECT_EQ(download.owner->Codes(), (std::vector<std::int32_t>{DL_CODE_START}));
    EXPECT_FALSE(std::filesystem::exists(download.target));
}

}  // namespace
