#include "DownloadTestSupport.h"

#include <curl/curl.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "TestCa.h"
#include "download/DownloadTimings.h"

namespace download_test {
namespace fs = std::filesystem;

namespace {

// Once per test program: libcurl, a test CA trusted by every transfer, and
// short pauses so that retry budgets run in milliseconds.
class Environment : public testing::Environment {
public:
    void SetUp() override {
        curl_global_init(CURL_GLOBAL_ALL);
        folder_ = std::make_unique<TempFolder>();
        auto files = testca::Generate(folder_->Path().string());
        ca_ = {files.ca_file, files.cert_file, files.key_file};
        setenv("QUORVANE_CA_BUNDLE", ca_.ca_file.c_str(), 1);
        auto& timings = download::TheDownloadTimings();
        timings.single_stream_retry_pause_ms = 10;
        timings.range_retry_pause_ms = 10;
        timings.range_start_gap_ms = 10;
        timings.range_wait_poll_ms = 20;
        timings.moniker_retry_pause_ms = 50;
        timings.range_low_speed_time_s = 1;
        timings.stream_low_speed_time_s = 1;
        timings.connect_timeout_s = 5;
    }
    void TearDown() override {
        folder_.reset();
        curl_global_cleanup();
    }
    TestCa ca_;

private:
    std::unique_ptr<TempFolder> folder_;
};

Environment* const environment =
    static_cast<Environment*>(testing::AddGlobalTestEnvironment(new Environment));

bool IsFinal(std::int32_t code) { return code == DL_CODE_SUCCESS || code == DL_CODE_FAIL || code == DL_CODE_RETRY; }

}  // namespace

const TestCa& TheTestCa() { return environment->ca_; }

TempFolder::TempFolder() {
    std::random_device random;
    path_ = fs::temp_directory_path() / ("quorvane-download-" + std::to_string(random()));
    fs::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (auto& byte : bytes) byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
}

Owner::Owner(const std::string& target, const Factory& make) : target_(target) {
    engine_ = make([this](std::int32_t code, double value, const char* text) { OnReport(code, value, text); });
}

Owner::~Owner() { engine_.reset(); }

void Owner::Start() { engine_->Start(); }

void Owner::OnReport(std::int32_t code, double value, const char* text) {
    {
        std::lock_guard guard(lock_);
        reports_.push_back({code, value, text ? text : "", std::chrono::steady_clock::now(),
                            static_cast<std::int64_t>(std::time(nullptr))});
    }
    if (code == DL_CODE_RETRY) {
        if (on_retry_) on_retry_();
        engine_->Start();
        return;
    }
    if (code == DL_CODE_FAIL) {
        std::error_code ignored;
        fs::remove(target_, ignored);
    }
    if (code == DL_CODE_FAIL || code == DL_CODE_SUCCESS) {
        std::lock_guard guard(lock_);
        ++ends_;
        changed_.notify_all();
    }
}

bool Owner::WaitForEnd(std::chrono::milliseconds limit) {
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, limit, [&] { return ends_ > 0; });
}

std::vector<Report> Owner::Reports() const {
    std::lock_guard guard(lock_);
    return reports_;
}

std::vector<std::int32_t> Owner::Codes() const { return WithoutProgress(Reports()); }

std::int32_t Owner::LastCode() const {
    std::lock_guard guard(lock_);
    return reports_.empty() ? 0 : reports_.back().code;
}

double Owner::LastValue() const {
    std::lock_guard guard(lock_);
    return reports_.empty() ? 0.0 : reports_.back().value;
}

std::chrono::milliseconds Owner::DestroyEngine() {
    auto began = std::chrono::steady_clock::now();
    engine_.reset();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began);
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

namespace {

download_host::DownloadHost::Options HostOptions(bool https) {
    download_host::DownloadHost::Options options;
    if (https) {
        options.cert_file = TheTestCa().cert_file;
        options.key_file = TheTestCa().key_file;
    }
    return options;
}

}  // namespace

HostedDownload::HostedDownload(const EngineFactory& make, download_host::Package package, bool https)
    : host(HostOptions(https)), content(package.content), target(folder.File("package.exe")) {
    EXPECT_TRUE(host.Start());
    url = host.AddPackage(std::move(package));
    owner = std::make_unique<Owner>(target, [&](DownloadCallback callback) { return make(callback, url, target); });
}

void HostedDownload::RunToEnd() {
    owner->Start();
    ASSERT_TRUE(owner->WaitForEnd());
    auto reports = owner->Reports();
    EXPECT_TRUE(ReportOrderHolds(reports));
    if (reports.back().code == DL_CODE_SUCCESS) {
        EXPECT_TRUE(ReadFile(target) == content) << "the target is not the package";
    } else {
        EXPECT_FALSE(fs::exists(target));
    }
}

void HostedDownload::ExpectEnding(const std::vector<std::int32_t>& codes, double value, const std::string& text) const {
    auto reports = owner->Reports();
    EXPECT_EQ(WithoutProgress(reports), codes);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().value, value);
    EXPECT_EQ(reports.back().text, text);
}

std::vector<std::string> HostedDownload::GetRanges() const {
    std::vector<std::string> ranges;
    for (const auto& request : host.Requests()) {
        if (request.method == "GET" && request.target != "/software/245") ranges.push_back(request.range);
    }
    return ranges;
}

std::vector<std::int32_t> WithoutProgress(const std::vector<Report>& reports) {
    std::vector<std::int32_t> codes;
    for (const auto& report : reports) {
        if (report.code != DL_CODE_PROGRESS) codes.push_back(report.code);
    }
    return codes;
}

testing::AssertionResult ReportOrderHolds(const std::vector<Report>& reports) {
    bool in_attempt = false;
    bool noticed = false;
    double last_progress = 0.0;
    std::int64_t last_progress_second = -1;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        const Report& report = reports[i];
        auto fail = [&](const char* what) {
            return testing::AssertionFailure() << "report " << i << " (code " << report.code << ", value "
                                               << report.value << "): " << what;
        };
        if (report.code == DL_CODE_START) {
            if (in_attempt) return fail("START inside an attempt");
            if (report.value != 1.0 || !report.text.empty()) return fail("START carries 1.0 and no text");
            in_attempt = true;
            noticed = false;
            last_progress = 0.0;
            continue;
        }
        if (!in_attempt) return fail("report outside an attempt");
        if (report.code == DL_CODE_PROGRESS) {
            if (noticed) return fail("PROGRESS after NOTICE");
            if (!(report.value > 0.0 && report.value <= 1.0)) return fail("PROGRESS outside (0, 1]");
            if (report.value < last_progress) return fail("PROGRESS went back");
            if (report.calendar_second == last_progress_second) return fail("two PROGRESS in one second");
            last_progress = report.value;
            last_progress_second = report.calendar_second;
        } else if (report.code == DL_CODE_NOTICE) {
            noticed = true;
        } else if (IsFinal(report.code)) {
            in_attempt = false;
        } else {
            return fail("unknown code");
        }
    }
    if (in_attempt) return testing::AssertionFailure() << "the last attempt has no final code";
    return testing::AssertionSuccess();
}

}  // namespace download_test
