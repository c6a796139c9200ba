#pragma once
// The multi-part engine: learns the real address and size with one header
// request, fetches the file as at most two byte ranges in parallel (each into
// "<target>_<index>", each retried on its own), joins the parts into the target
// and checks the md5 digest carried by the real address. Asks its owner for
// one whole retry before it gives up. Contract: download/Downloader.h.
//
// Threads: the worker (START, and FAIL when the size cannot be learned), one
// detached thread per range (PROGRESS) and one detached waiter (final codes).
#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "download/Downloader.h"
#include "download/EngineThreads.h"
#include "download/Md5Stream.h"

// One byte range of the current attempt. Written only by its range thread
// while that runs; `received` is also read by the progress handler.
struct DownloadPartNode {
    std::unique_ptr<char[]> write_buffer;  // of `file`; kept until it is closed
    std::FILE* file = nullptr;
    std::int64_t start = 0;  // next byte still to fetch (inclusive)
    std::int64_t end = 0;    // last byte of the range (inclusive)
    CURL* handle = nullptr;
    std::string url;
    std::string path;
    int result = -1;  // -1 to fetch, 0 complete, -2 part file unusable, else libcurl's result
    std::atomic<std::int64_t> received{0};
    download::Md5Stream* digest = nullptr;  // part 0 only: the package digest, fed as bytes land
    // Per try: where it began, and whether the answer was checked to be that range.
    std::int64_t try_start = 0;
    bool whole_file = false;
    std::int64_t answered_start = -1;  // first byte named by the answer's Content-Range
    bool answer_checked = false;
    bool answer_matches = false;
};

class CMTCurlDownloader : public CDownloader {
public:
    // Deletes the target and both part files. Never reports.
    CMTCurlDownloader(DownloadCallback callback, std::string url, std::string target_path);
    // Stops the transfers and waits for every thread of the engine.
    ~CMTCurlDownloader() override;

    void Start() override;

    static constexpr std::int64_t kRangeSize = 10485760;
    // Failure values of an attempt whose parts could not be joined.
    static constexpr int kPartUnusable = -2;
    static constexpr int kJoinedSizeWrong = -995;

private:
    void Start_Down();
    bool getRealDownloadUrl(const std::string& url);
    int downloadExe(DownloadPartNode& node);
    void downloadThreadFun(DownloadPartNode& node);
    void waitForFinishThreadFun();
    int JoinParts();
    void ReportWholeFailure(double value);
    void ReleaseNodes();
    void DeletePartFiles() const;
    std::string PartPath(int index) const;
    void Report(std::int32_t code, double value, const char* text);

    static std::size_t WriteRange(char* data, std::size_t size, std::size_t count, void* node);
    static std::size_t OnRangeHeader(char* data, std::size_t size, std::size_t count, void* node);
    static int OnTransferInfo(void* engine, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    static int OnProbeInfo(void* engine, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

    std::vector<std::unique_ptr<DownloadPartNode>> parts_;
    DownloadCallback callback_;
    std::string target_path_;
    std::string url_;
    std::string real_url_;
    std::int64_t file_length_ = -1;
    std::string url_md5_;
    std::atomic<int> running_parts_{0};
    std::mutex progress_lock_;  // guards the two fields below
    double last_percent_ = 0.0;
    std::int64_t last_progress_second_ = 0;
    bool retried_ = false;
    std::unique_ptr<download::Md5Stream> digest_;  // of the package, from part 0 on, during an attempt
    download::EngineThreads threads_;
};
