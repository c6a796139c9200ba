#include "download/DownloadFailureReporter.h"

#include <mutex>

#include "utils/DiagLog.h"

namespace download {
namespace {

std::mutex& SinkLock() {
    static std::mutex lock;
    return lock;
}

std::shared_ptr<DownloadFailureReporter>& Sink() {
    static std::shared_ptr<DownloadFailureReporter> sink;
    return sink;
}

}  // namespace

void SetDownloadFailureReporter(std::shared_ptr<DownloadFailureReporter> sink) {
    std::lock_guard guard(SinkLock());
    Sink() = std::move(sink);
}

void ReportDownloadFailure(const std::string& reason) {
    DIAG_LOG("%s %s", "下载失败原因", reason.c_str());
    std::shared_ptr<DownloadFailureReporter> sink;
    {
        std::lock_guard guard(SinkLock());
        sink = Sink();
    }
    if (sink) sink->Report("下载失败原因", 0.0, reason, "IN");
}

}  // namespace download
