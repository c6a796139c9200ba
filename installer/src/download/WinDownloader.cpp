#include "download/WinDownloader.h"

#include <cstdio>

#include "download/DownloadTimings.h"
#include "download/UrlText.h"

CWinDownloader::CWinDownloader(DownloadCallback callback, std::string url, std::string target_path)
    : callback_(std::move(callback)),
      target_path_(std::move(target_path)),
      url_(std::move(url)),
      worker_(this, "ABDEF", [](void* engine) -> std::uint32_t {
          static_cast<CWinDownloader*>(engine)->Run();
          return 0;
      }) {}

CWinDownloader::~CWinDownloader() {
    bind_callback_.Cancel();
    stop_.RequestStop();
    worker_.Join();
}

void CWinDownloader::Start() {
    bind_callback_.SetCallback(callback_);
    worker_.Resume();
}

std::string CWinDownloader::EscapeUrl(const std::string& url) {
    if (download::IsFileUrl(url)) return url;
    std::string escaped;
    char hex[4];
    for (unsigned char byte : url) {
        if (byte >= 0x21 && byte <= 0x7E) {
            escaped += static_cast<char>(byte);
        } else if (byte == ' ') {
            escaped += '+';
        } else {
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            escaped += hex;
        }
    }
    return escaped;
}

void CWinDownloader::Run() {
    auto report = [this](std::int32_t code, double value, const char* text) {
        if (!stop_.StopRequested() && callback_) callback_(code, value, text);
    };
    report(DL_CODE_START, 1.0, "");
    if (target_path_.empty()) {
        report(DL_CODE_FAIL, 1.0, "");
        return;
    }
    const std::string address = EscapeUrl(url_);
    std::int32_t result = platform::kUrlFailed;
    for (int attempt = 0; attempt < 3; ++attempt) {
        result = platform::UrlDownloadToFile(address, target_path_, &bind_callback_);
        if (result == platform::kUrlOk) {
            report(DL_CODE_SUCCESS, 0.0, "URLDownloadToFile");
            return;
        }
        if (!stop_.Sleep(download::TheDownloadTimings().moniker_retry_pause_ms)) return;
    }
    report(DL_CODE_FAIL, static_cast<double>(result), "URLDownloadToFile");
}

CWinDownloader::CBindCallback::~CBindCallback() {
    cancelled_ = true;
    std::lock_guard guard(lock_);
    callback_ = nullptr;
}

void CWinDownloader::CBindCallback::SetCallback(DownloadCallback callback) {
    std::lock_guard guard(lock_);
    callback_ = std::move(callback);
}

std::int32_t CWinDownloader::CBindCallback::OnProgress(std::uint32_t progress, std::uint32_t progress_max,
                                                      std::uint32_t, const char*) {
    if (cancelled_) return platform::kUrlAborted;
    if (progress_max == 0) return platform::kUrlOk;
    double value = static_cast<double>(progress) / static_cast<double>(progress_max);
    std::lock_guard guard(lock_);
    if (value <= 0.0 || value < highest_) return platform::kUrlOk;
    auto now = std::chrono::steady_clock::now();
    if (last_report_ != std::chrono::steady_clock::time_point{} && now - last_report_ < std::chrono::seconds(1)) {
        return platform::kUrlOk;
    }
    last_report_ = now;
    highest_ = value;
    if (callback_) callback_(DL_CODE_PROGRESS, value, "");
    return platform::kUrlOk;
}
