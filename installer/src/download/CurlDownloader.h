#pragma once
// The default engine: fetches the package in one stream with a CurlClient,
// retries failed transfers within a budget (partial-file errors count half),
// checks the md5 digest carried by the real URL and asks its owner for one
// whole retry when the digest differs. Contract: download/Downloader.h.
#include <memory>
#include <string>

#include "download/CurlClient.h"
#include "download/Downloader.h"
#include "download/EngineThreads.h"

class CCurlDownloader : public CDownloader {
public:
    // Deletes any "<target>.part" left over. Never reports.
    CCurlDownloader(DownloadCallback callback, std::string url, std::string target_path);
    // Stops a running transfer and waits for the engine's threads.
    ~CCurlDownloader() override;

    void Start() override;

private:
    static std::uint32_t dlThreadFun(void* engine);
    static void OnProgress(void* owner, double speed, double reserved, double percent);
    void RunAttempt();
    void Report(std::int32_t code, double value, const char* text);

    DownloadCallback callback_;
    std::string target_path_;
    std::string url_;
    CurlClient client_;
    bool retried_ = false;
    download::EngineThreads threads_;
};
