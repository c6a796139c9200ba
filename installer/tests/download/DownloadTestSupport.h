#pragma once
// Shared pieces of the engine tests: a temporary folder, an owner that answers
// reports the way the download-install pipeline does (Start again on RETRY,
// delete the target on FAIL), and the report-order check every scenario runs.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "DownloadHost.h"
#include "download/Downloader.h"

namespace download_test {

struct Report {
    std::int32_t code;
    double value;
    std::string text;
    std::chrono::steady_clock::time_point at;
    std::int64_t calendar_second;
};

// The CA every HTTPS stand-in in these tests uses (trusted through
// QUORVANE_CA_BUNDLE), and the matching server certificate and key.
struct TestCa {
    std::string ca_file, cert_file, key_file;
};
const TestCa& TheTestCa();

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    std::filesystem::path Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::string RandomBytes(std::size_t size, unsigned seed = 1);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// Plays the engine's owner.
class Owner {
public:
    using Factory = std::function<std::unique_ptr<CDownloader>(DownloadCallback)>;
    Owner(const std::string& target, const Factory& make);
    ~Owner();

    // Called on RETRY just before the owner starts the engine again.
    void OnRetry(std::function<void()> hook) { on_retry_ = std::move(hook); }
    void Start();
    // Waits for SUCCESS or FAIL (the end of the owner's download); false on time-out.
    bool WaitForEnd(std::chrono::milliseconds limit = std::chrono::seconds(60));
    std::vector<Report> Reports() const;
    std::vector<std::int32_t> Codes() const;
    std::int32_t LastCode() const;
    double LastValue() const;
    // Destroys the engine (stopping it) and answers how long that took.
    std::chrono::milliseconds DestroyEngine();

private:
    void OnReport(std::int32_t code, double value, const char* text);

    std::string target_;
    std::unique_ptr<CDownloader> engine_;
    std::function<void()> on_retry_;
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Report> reports_;
    int ends_ = 0;
};

using EngineFactory =
    std::function<std::unique_ptr<CDownloader>(DownloadCallback, const std::string& url, const std::string& target)>;

// One engine downloading one package: a download host serving it (HTTPS when
// asked), a temporary folder, and an owner of the engine made by `make` for the
// package address and "package.exe" in the folder.
struct HostedDownload {
    HostedDownload(const EngineFactory& make, download_host::Package package, bool https = false);
    // Starts the owner and waits for its end, then checks what every scenario
    // must hold: the report order, and at the target the package after SUCCESS
    // and nothing after FAIL.
    void RunToEnd();
    std::vector<Report> Reports() const { return owner->Reports(); }
    // The codes without PROGRESS, and the value and text of the final report.
    void ExpectEnding(const std::vector<std::int32_t>& codes, double value, const std::string& text) const;
    // Range headers of the GETs of the real address, in arrival order.
    std::vector<std::string> GetRanges() const;

    TempFolder folder;
    download_host::DownloadHost host;
    std::string content;
    std::string url;
    std::string target;
    std::unique_ptr<Owner> owner;
};

// START first in every attempt, PROGRESS in (0, 1] never decreasing within an
// attempt and at most one per calendar second, NOTICE only before the final
// code, exactly one final code per attempt, and a new attempt only after RETRY
// (or after the owner's own restart following FAIL).
testing::AssertionResult ReportOrderHolds(const std::vector<Report>& reports);

// Polls `condition` every 10 ms until it holds or `limit` passes.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(30));

// Codes without PROGRESS, for comparing with an expected sequence.
std::vector<std::int32_t> WithoutProgress(const std::vector<Report>& reports);

}  // namespace download_test
