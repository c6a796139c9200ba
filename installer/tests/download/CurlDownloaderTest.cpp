#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>
#include <mutex>

#include "DownloadHost.h"
#include "DownloadTestSupport.h"
#include "TestCa.h"
#include "download/CurlClient.h"
#include "download/CurlDownloader.h"
#include "download/DownloadFailureReporter.h"

using namespace download_test;
using download_host::DigestFolder;
using download_host::DownloadHost;
using download_host::Faults;

namespace {

constexpr std::size_t kMiB = 1048576;

std::unique_ptr<CDownloader> MakeEngine(DownloadCallback callback, const std::string& url, const std::string& target) {
    return std::make_unique<CCurlDownloader>(callback, url, target);
}

class CapturingReporter : public download::DownloadFailureReporter {
public:
    void Report(const std::string& title, double, const std::string& reason, const std::string& ab) override {
        std::lock_guard guard(lock);
        reasons.push_back(title + "|" + reason + "|" + ab);
    }
    std::mutex lock;
    std::vector<std::string> reasons;
};

struct Scenario {
    const char* name;
    std::size_t size = 2 * kMiB;
    Faults faults{};
    bool https = false;
    std::vector<std::int32_t> codes{};  // expected, without PROGRESS
    double final_value = 0.0;
    int gets = -1;  // expected GETs of the real address (-1: not checked)
};

std::vector<Scenario> Scenarios() {
    std::vector<Scenario> table;
    table.push_back({.name = "md5_folder", .codes = {DL_CODE_START, DL_CODE_SUCCESS}, .gets = 1});
    table.push_back({.name = "https", .https = true, .codes = {DL_CODE_START, DL_CODE_SUCCESS}});
    table.push_back({.name = "smallest_accepted_size", .size = kMiB, .codes = {DL_CODE_START, DL_CODE_SUCCESS}});
    table.push_back({.name = "no_md5_folder",
                     .faults = {.digest = DigestFolder::None},
                     .codes = {DL_CODE_START, DL_CODE_NOTICE, DL_CODE_SUCCESS}});
    table.push_back({.name = "upper_case_digest_is_a_mismatch",
                     .faults = {.digest = DigestFolder::UpperCase},
                     .codes = {DL_CODE_START, DL_CODE_NOTICE, DL_CODE_RETRY, DL_CODE_START, DL_CODE_NOTICE,
                               DL_CODE_FAIL},
                     .gets = 2});
    table.push_back({.name = "wrong_digest",
                     .faults = {.digest = DigestFolder::Wrong},
                     .codes = {DL_CODE_START, DL_CODE_NOTICE, DL_CODE_RETRY, DL_CODE_START, DL_CODE_NOTICE,
                               DL_CODE_FAIL}});
    // Each GET is cut after 100 bytes: partial-file errors cost one of twelve.
    table.push_back({.name = "partial_file_budget",
                     .faults = {.drop_after_bytes = 100, .drop_count = -1},
                     .codes = {DL_CODE_START, DL_CODE_FAIL},
                     .final_value = 18,
                     .gets = 12});
    table.push_back({.name = "other_error_budget",
                     .faults = {.get_status = 500, .get_status_count = -1},
                     .codes = {DL_CODE_START, DL_CODE_FAIL},
                     .final_value = 22,
                     .gets = 6});
    table.push_back({.name = "five_drops_then_complete",
                     .faults = {.drop_after_bytes = 300000, .drop_count = 5},
                     .codes = {DL_CODE_START, DL_CODE_SUCCESS},
                     .gets = 6});
    table.push_back({.name = "size_below_one_mib",
                     .size = kMiB - 1,
                     .codes = {DL_CODE_START, DL_CODE_FAIL},
                     .final_value = CurlClient::kSizeUnknown,
                     .gets = 0});
    table.push_back({.name = "stalled_then_closed_is_resumed",
                     .faults = {.stall_after_bytes = 500000, .stall_ms = 1500, .stall_count = 1},
                     .codes = {DL_CODE_START, DL_CODE_SUCCESS},
                     .gets = 2});
    table.push_back({.name = "no_content_length",
                     .faults = {.no_content_length = true},
                     .codes = {DL_CODE_START, DL_CODE_FAIL},
                     .final_value = CurlClient::kSizeUnknown});
    return table;
}

class CurlDownloaderScenario : public testing::TestWithParam<Scenario> {};

TEST_P(CurlDownloaderScenario, EndsAsExpected) {
    const Scenario& scenario = GetParam();
    HostedDownload download(MakeEngine, {.content = RandomBytes(scenario.size), .faults = scenario.faults},
                            scenario.https);
    download.RunToEnd();
    download.ExpectEnding(scenario.codes, scenario.final_value, "LibCurl");
    auto reports = download.Reports();
    EXPECT_FALSE(std::filesystem::exists(download.target + ".part") && reports.back().code == DL_CODE_SUCCESS);
    if (scenario.gets >= 0) {
        EXPECT_EQ(static_cast<int>(download.GetRanges().size()), scenario.gets);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, CurlDownloaderScenario, testing::ValuesIn(Scenarios()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CurlDownloader, EmptyTargetFailsWithOne) {
    DownloadHost host;
    ASSERT_TRUE(host.Start());
    std::string url = host.AddPackage({.content = RandomBytes(kMiB)});
    Owner owner("", [&](DownloadCallback callback) { return std::make_unique<CCurlDownloader>(callback, url, ""); });
    owner.Start();
    ASSERT_TRUE(owner.WaitForEnd());
    auto reports = owner.Reports();
    ASSERT_EQ(WithoutProgress(reports), (std::vector<std::int32_t>{DL_CODE_START, DL_CODE_FAIL}));
    EXPECT_EQ(reports.back().value, 1.0);
    EXPECT_EQ(reports.back().text, "");
    EXPECT_TRUE(host.Requests().empty());
}

// A resumed transfer asks for the rest from the ".part" size, and its percent
// counts the bytes already on disk.
TEST(CurlDownloader, ResumesFromPartFileAndCountsBytesOnDisk) {
    const std::int64_t cut = 3 * kMiB / 2;
    HostedDownload download(
        MakeEngine, {.content = RandomBytes(3 * kMiB),
                     .faults = {.drop_after_bytes = cut, .drop_count = 1, .rate_bytes_per_second = kMiB}});
    download.RunToEnd();
    auto reports = download.Reports();
    ASSERT_EQ(reports.back().code, DL_CODE_SUCCESS);
    EXPECT_EQ(download.GetRanges(), (std::vector<std::string>{"", "bytes=" + std::to_string(cut) + "-"}));
    // Progress of the second transfer starts from the half already on disk.
    auto resumed = std::find_if(reports.begin(), reports.end(), [&](const Report& r) {
        return r.code == DL_CODE_PROGRESS && r.value > 0.5;
    });
    ASSERT_NE(resumed, reports.end());
    EXPECT_TRUE(std::all_of(resumed, reports.end(), [](const Report& r) {
        return r.code != DL_CODE_PROGRESS || r.value >= 0.5;
    }));
}

// The retried flag is never cleared: the owner's own restart after FAIL fails
// at once on the next mismatch.
TEST(CurlDownloader, OwnerRestartAfterFailGetsNoSecondRetry) {
    HostedDownload download(MakeEngine, {.content = RandomBytes(kMiB), .faults = {.digest = DigestFolder::Wrong}});
    download.RunToEnd();
    download.owner->Start();
    ASSERT_TRUE(WaitUntil([&] { return download.owner->Codes().size() == 9; }));
    EXPECT_EQ(download.owner->Codes(),
              (std::vector<std::int32_t>{DL_CODE_START, DL_CODE_NOTICE, DL_CODE_RETRY, DL_CODE_START, DL_CODE_NOTICE,
                                         DL_CODE_FAIL, DL_CODE_START, DL_CODE_NOTICE, DL_CODE_FAIL}));
}

// A status of 400 on the first header probe is reported with its reason and
// counts as an unknown size; the second probe accepts 400 (without a report).
TEST(CurlDownloader, HeadAnsweredWith400IsReported) {
    struct Case {
        int head_status_count;
        std::int32_t final_code;
        std::size_t reports;
    } cases[] = {
        {1, DL_CODE_SUCCESS, 1},  // only the first probe sees 400
        {-1, DL_CODE_FAIL, 6},    // every probe: one report per transfer attempt
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.head_status_count);
        auto reporter = std::make_shared<CapturingReporter>();
        download::SetDownloadFailureReporter(reporter);
        HostedDownload download(MakeEngine, {.content = RandomBytes(kMiB),
                                             .faults = {.head_status = 400, .head_status_count = c.head_status_count}});
        download.RunToEnd();
        download::SetDownloadFailureReporter(nullptr);
        EXPECT_EQ(download.owner->LastCode(), c.final_code);
        std::lock_guard guard(reporter->lock);
        EXPECT_EQ(reporter->reasons,
                  std::vector<std::string>(c.reports, "下载失败原因|1.获取文件大小的状态码为=400；|IN"));
    }
}

// A finished file that cannot be moved to the target is a failed transfer,
// never a success with nothing (or something else) at the target.
TEST(CurlDownloader, FailedRenameIsAFailedTransfer) {
    HostedDownload download(MakeEngine, {.content = RandomBytes(kMiB), .faults = {.digest = DigestFolder::None}});
    std::filesystem::create_directories(download.target + "/occupied");
    download.owner->Start();
    ASSERT_TRUE(download.owner->WaitForEnd());
    EXPECT_EQ(download.owner->Codes(), (std::vector<std::int32_t>{DL_CODE_START, DL_CODE_FAIL}));
    EXPECT_EQ(download.owner->LastValue(), CurlClient::kNotPutInPlace);
}

TEST(CurlDownloader, PeerWithUntrustedCertificateIsRefused) {
    TempFolder folder;
    auto other_ca = testca::Generate(folder.Path().string());
    DownloadHost host({other_ca.cert_file, other_ca.key_file});
    ASSERT_TRUE(host.Start());
    std::string url = host.AddPackage({.content = RandomBytes(kMiB)});
    const std::string target = folder.File("package.exe");
    Owner owner(target, [&](DownloadCallback callback) {
        return std::make_unique<CCurlDownloader>(callback, url, target);
    });
    owner.Start();
    ASSERT_TRUE(owner.WaitForEnd());
    EXPECT_EQ(owner.LastCode(), DL_CODE_FAIL);
    EXPECT_EQ(owner.LastValue(), CurlClient::kSizeUnknown);  // even the probes are refused
    EXPECT_TRUE(host.Requests().empty());
}

TEST(CurlDownloader, DestroyingStopsARunningTransfer) {
    HostedDownload download(MakeEngine,
                            {.content = RandomBytes(4 * kMiB), .faults = {.rate_bytes_per_second = 256 * 1024}});
    download.owner->Start();
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(download.target + ".part"); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(download.owner->DestroyEngine().count(), 2000);
    EXPECT_EQ(download.owner->Codes(), (std::vector<std::int32_t>{DL_CODE_START}));
    EXPECT_FALSE(std::filesystem::exists(download.target));
}

}  // namespace

namespace {

// A local file address works too: libcurl's file protocol gives the size (with
// no status, which the probes report) and the body.
TEST(CurlDownloader, FileAddress) {
    auto reporter = std::make_shared<CapturingReporter>();
    download::SetDownloadFailureReporter(reporter);
    TempFolder folder;
    const std::string source = folder.File("source.bin");
    const std::string content = RandomBytes(kMiB + 5);
    WriteFile(source, content);
    const std::string target = folder.File("package.exe");
    Owner owner(target, [&](DownloadCallback callback) {
        return std::make_unique<CCurlDownloader>(callback, "file://" + source, target);
    });
    owner.Start();
    ASSERT_TRUE(owner.WaitForEnd());
    download::SetDownloadFailureReporter(nullptr);
    EXPECT_EQ(owner.Codes(), (std::vector<std::int32_t>{DL_CODE_START, DL_CODE_NOTICE, DL_CODE_SUCCESS}));
    EXPECT_TRUE(ReadFile(target) == content);
    std::lock_guard guard(reporter->lock);
    EXPECT_EQ(reporter->reasons.size(), 2u);
}

}  // namespace
