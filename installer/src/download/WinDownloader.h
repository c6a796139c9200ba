#pragma once
// The engine over the system download service: hands the (escaped) address to
// platform::UrlDownloadToFile, turns its progress calls into DL_CODE_PROGRESS,
// and tries three times, one second apart. It runs one attempt in its life (the
// first Start), never asks for a retry and does not check the file's digest.
// Contract: download/Downloader.h.
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

#include "download/Downloader.h"
#include "download/EngineThreads.h"
#include "platform/url_download.h"
#include "utils/Thread.h"

class CWinDownloader : public CDownloader {
public:
    // Creates the worker thread suspended. Never reports.
    CWinDownloader(DownloadCallback callback, std::string url, std::string target_path);
    // Cancels a running download and waits for the worker.
    ~CWinDownloader() override;

    void Start() override;

    // The address as the download service gets it: "file:///" addresses as they
    // are; any other has its bytes outside 0x21-0x7E escaped ("+" for a space,
    // "%XX" otherwise).
    static std::string EscapeUrl(const std::string& url);

    class CBindCallback : public platform::DownloadStatusCallback {
    public:
        ~CBindCallback() override;
        std::int32_t OnProgress(std::uint32_t progress, std::uint32_t progress_max, std::uint32_t status_code,
                                const char* status_text) override;
        void SetCallback(DownloadCallback callback);
        void Cancel() { cancelled_ = true; }

    private:
        std::mutex lock_;  // Start (owner thread) hands over the callback the worker uses
        DownloadCallback callback_;
        double highest_ = 0.0;  // progress never goes back when a try starts over
        std::chrono::steady_clock::time_point last_report_{};  // at most one report a second, across tries
        std::atomic<bool> cancelled_{false};
    };

private:
    void Run();

    CBindCallback bind_callback_;
    DownloadCallback callback_;
    std::string target_path_;
    std::string url_;
    download::EngineThreads stop_;
    Utils::Thread worker_;
};
