#include "download/CurlDownloader.h"

#include <filesystem>

#include "download/DownloadTimings.h"
#include "download/Md5.h"
#include "download/UrlText.h"
#include "utils/DiagLog.h"

CCurlDownloader::CCurlDownloader(DownloadCallback callback, std::string url, std::string target_path)
    : callback_(std::move(callback)),
      target_path_(std::move(target_path)),
      url_(std::move(url)),
      client_(url_, target_path_, this, &CCurlDownloader::OnProgress) {
    std::error_code ignored;
    std::filesystem::remove(client_.GetTempName(true), ignored);
}

CCurlDownloader::~CCurlDownloader() {
    client_.RequestStop();
    threads_.StopAndWait();
}

void CCurlDownloader::Start() {
    threads_.StartWorker("ABDEF", [this] { dlThreadFun(this); });
}

void CCurlDownloader::Report(std::int32_t code, double value, const char* text) {
    if (threads_.StopRequested()) return;
    if (callback_) callback_(code, value, text);
}

void CCurlDownloader::OnProgress(void* owner, double speed, double, double percent) {
    if (speed > 0 && percent <= 100) static_cast<CCurlDownloader*>(owner)->Report(DL_CODE_PROGRESS, percent / 100, "");
}

std::uint32_t CCurlDownloader::dlThreadFun(void* engine) {
    static_cast<CCurlDownloader*>(engine)->RunAttempt();
    return 0;
}

void CCurlDownloader::RunAttempt() {
    Report(DL_CODE_START, 1.0, "");
    if (target_path_.empty()) {
        Report(DL_CODE_FAIL, 1.0, "");
        return;
    }
    int result = client_.Start();
    int budget = 12;
    while (result != 0) {
        budget -= result == 18 ? 1 : 2;
        if (budget <= 0 || threads_.StopRequested()) {
            Report(DL_CODE_FAIL, result, "LibCurl");
            return;
        }
        DIAG_LOG("CurlDownLoader Code=%d", result);
        if (!threads_.Sleep(download::TheDownloadTimings().single_stream_retry_pause_ms)) return;
        result = client_.Start();
    }
    const std::string expected = download::Md5SegmentOf(client_.RealUrl());
    if (expected.size() == 32) {
        std::string actual = client_.Digest();
        if (actual.empty()) actual = download::FileMd5(target_path_);
        if (actual.size() == 32 && actual != expected) {
            Report(DL_CODE_NOTICE, 0.0, "curl文件md5校验失败");
            if (retried_) {
                Report(DL_CODE_FAIL, 0.0, "LibCurl");
            } else {
                retried_ = true;
                Report(DL_CODE_RETRY, 0.0, "LibCurl");
            }
            return;
        }
    } else {
        Report(DL_CODE_NOTICE, 0.0, "curl获取url-md5失败");
    }
    Report(DL_CODE_SUCCESS, 0.0, "LibCurl");
}
