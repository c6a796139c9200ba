#include "download/MTCurlDownloader.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "core/LaunchSettings.h"
#include "download/CurlCommon.h"
#include "download/DownloadTimings.h"
#include "download/Md5.h"
#include "download/UrlText.h"
#include "utils/DiagLog.h"

namespace fs = std::filesystem;

namespace {

std::size_t DiscardBody(char*, std::size_t size, std::size_t count, void*) { return size * count; }

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    std::size_t n = std::strlen(prefix);
    if (text.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    return true;
}

void RemoveFile(const std::string& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

std::int64_t FileSizeOrZero(const std::string& path) {
    std::error_code error;
    auto size = fs::file_size(path, error);
    return error ? 0 : static_cast<std::int64_t>(size);
}

}  // namespace

CMTCurlDownloader::CMTCurlDownloader(DownloadCallback callback, std::string url, std::string target_path)
    : callback_(std::move(callback)), target_path_(std::move(target_path)), url_(std::move(url)) {
    RemoveFile(target_path_);
    DeletePartFiles();
}

CMTCurlDownloader::~CMTCurlDownloader() {
    threads_.StopAndWait();
    ReleaseNodes();
}

void CMTCurlDownloader::Start() {
    threads_.StartWorker("ABDEF", [this] { Start_Down(); });
}

std::string CMTCurlDownloader::PartPath(int index) const { return target_path_ + "_" + std::to_string(index); }

void CMTCurlDownloader::DeletePartFiles() const {
    RemoveFile(PartPath(0));
    RemoveFile(PartPath(1));
}

void CMTCurlDownloader::Report(std::int32_t code, double value, const char* text) {
    if (threads_.StopRequested()) return;
    if (callback_) callback_(code, value, text);
}

void CMTCurlDownloader::Start_Down() {
    Report(DL_CODE_START, 1.0, "");
    DIAG_LOG("start download");
    RemoveFile(target_path_);
    double last_percent;
    {
        std::lock_guard guard(progress_lock_);
        last_percent = last_percent_;
    }
    if (last_percent == 0.0) DeletePartFiles();
    if (real_url_.empty() || file_length_ < 256) {
        if (!getRealDownloadUrl(url_)) {
            Report(DL_CODE_FAIL, 0.0, "LibCurl");
            return;
        }
    }
    std::int64_t count = std::clamp<std::int64_t>(file_length_ / kRangeSize, 1, 2);
    std::int64_t part_size = file_length_ / count;
    std::int64_t offset = 0;
    for (int i = 0; i < count; ++i) {
        auto node = std::make_unique<DownloadPartNode>();
        node->path = PartPath(i);
        std::int64_t resumed = fs::exists(node->path) ? FileSizeOrZero(node->path) : 0;
        node->received = resumed;
        node->start = offset + resumed;
        offset += i == count - 1 ? file_length_ - offset : part_size;
        node->end = offset - 1;
        node->handle = curl_easy_init();
        node->url = real_url_;
        if (i == 0) {
            // Part 0 starts the package: its digest is taken as it is written
            // (and continued over the other parts while they are joined).
            digest_ = std::make_unique<download::Md5Stream>();
            node->digest = digest_->UpdateFromFile(node->path, resumed) ? digest_.get() : nullptr;
        }
        if (node->start > node->end) {
            node->result = 0;
        } else {
            node->result = -1;
            node->file = std::fopen(node->path.c_str(), "ab+");
            if (node->file == nullptr) node->result = kPartUnusable;
            node->write_buffer = download::UseLargeWriteBuffer(node->file);
        }
        parts_.push_back(std::move(node));
    }
    for (auto& node : parts_) {
        if (node->result != -1) continue;
        ++running_parts_;
        DownloadPartNode* part = node.get();
        if (!threads_.StartDetached("ABDEF", [this, part] { downloadThreadFun(*part); })) {
            --running_parts_;
            break;
        }
        threads_.Sleep(download::TheDownloadTimings().range_start_gap_ms);
    }
    threads_.StartDetached("ABDEF", [this] { waitForFinishThreadFun(); });
}

int CMTCurlDownloader::OnProbeInfo(void* engine, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<CMTCurlDownloader*>(engine)->threads_.StopRequested() ? 1 : 0;
}

bool CMTCurlDownloader::getRealDownloadUrl(const std::string& url) {
    real_url_.clear();
    url_md5_.clear();
    file_length_ = 0;
    if (!TheLaunchSettings().CurlReady) return false;
    CURL* handle = curl_easy_init();
    if (handle == nullptr) return false;
    const auto& timings = download::TheDownloadTimings();
    curl_slist* headers = curl_slist_append(nullptr, "Connection: keep-alive");
    int refused = 0;
    auto set = [&](CURLoption option, auto value) { refused |= curl_easy_setopt(handle, option, value); };
    set(CURLOPT_HTTPHEADER, headers);
    set(CURLOPT_URL, url.c_str());
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_NOBODY, 1L);
    set(CURLOPT_WRITEFUNCTION, &DiscardBody);
    set(CURLOPT_CONNECTTIMEOUT, timings.connect_timeout_s);
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_XFERINFOFUNCTION, &OnProbeInfo);
    set(CURLOPT_XFERINFODATA, this);
    bool ok = refused == 0 && download::ApplyTransferSecurity(handle) &&
              download::ApplyStallLimit(handle, timings.stream_low_speed_time_s) &&
              curl_easy_perform(handle) == CURLE_OK;
    if (ok) {
        char* effective = nullptr;
        if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective && *effective) {
            real_url_ = effective;
            DIAG_LOG("Download File real url %s", real_url_.c_str());
            url_md5_ = download::Md5SegmentOf(real_url_);
        }
        CURLcode read = CURLE_OK;
        double length = download::ContentLengthOf(handle, -1.0, &read);
        long status = 0;
        if (read == CURLE_OK && curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status >= 200 &&
            status <= 399) {
            file_length_ = static_cast<std::int64_t>(length);
            DIAG_LOG("Download File Length %lld", static_cast<long long>(file_length_));
        }
    }
    curl_easy_cleanup(handle);
    curl_slist_free_all(headers);
    return ok && !real_url_.empty() && file_length_ > 255;
}

std::size_t CMTCurlDownloader::OnRangeHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* node = static_cast<DownloadPartNode*>(user);
    std::size_t n = size * count;
    std::string line(data, n);
    if (line.rfind("HTTP/", 0) == 0) {
        node->answered_start = -1;  // a new answer (after a redirect)
    } else if (StartsWithNoCase(line, "Content-Range:")) {
        long long first = -1;
        if (std::sscanf(line.c_str() + 14, " bytes %lld-", &first) == 1) node->answered_start = first;
    }
    return n;
}

// Only the bytes of the range that was asked for may land in the part file:
// an answer for other bytes (a server that ignores or misreads the range) is
// refused, which ends the try with libcurl's write error.
std::size_t CMTCurlDownloader::WriteRange(char* data, std::size_t size, std::size_t count, void* user) {
    auto* node = static_cast<DownloadPartNode*>(user);
    if (node == nullptr || node->file == nullptr) return 0;
    if (!node->answer_checked) {
        long status = 0;
        curl_easy_getinfo(node->handle, CURLINFO_RESPONSE_CODE, &status);
        node->answer_matches = (status == 206 && node->answered_start == node->try_start) ||
                               (status == 200 && node->whole_file && node->try_start == 0);
        node->answer_checked = true;
        if (!node->answer_matches) DIAG_LOG("answer %ld does not match the range", status);
    }
    if (!node->answer_matches || node->start > node->end) return 0;
    std::int64_t n = static_cast<std::int64_t>(size * count);
    std::int64_t take = std::min(n, node->end - node->start + 1);
    std::size_t written = std::fwrite(data, 1, static_cast<std::size_t>(take), node->file);
    if (node->digest != nullptr) node->digest->Update(data, written);
    node->start += static_cast<std::int64_t>(written);
    node->received += static_cast<std::int64_t>(written);
    return written;
}

int CMTCurlDownloader::OnTransferInfo(void* data, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* engine = static_cast<CMTCurlDownloader*>(data);
    if (engine->threads_.StopRequested()) return 1;
    std::lock_guard guard(engine->progress_lock_);
    std::int64_t now = std::time(nullptr);
    if (now <= engine->last_progress_second_) return 0;
    engine->last_progress_second_ = now;
    double percent = 0.0;
    if (engine->file_length_ >= 256) {
        for (const auto& node : engine->parts_) {
            std::int64_t received = node->received;
            if (received > 0) percent += static_cast<double>(received) * 100.0 / static_cast<double>(engine->file_length_);
        }
        if (percent > 100.0) return 0;
    }
    if (percent - engine->last_percent_ >= 1.0) {
        engine->last_percent_ = percent;
        // Reported under the lock so that the values reach the owner in order.
        engine->Report(DL_CODE_PROGRESS, percent / 100, "");
    }
    return 0;
}

int CMTCurlDownloader::downloadExe(DownloadPartNode& node) {
    char range[64];
    std::snprintf(range, sizeof range, "%" PRId64 "-%" PRId64, node.start, node.end);
    node.try_start = node.start;
    node.whole_file = node.end - node.start + 1 == file_length_;
    node.answer_checked = false;
    node.answered_start = -1;
    const auto& timings = download::TheDownloadTimings();
    int refused = 0;
    auto set = [&](CURLoption option, auto value) { refused |= curl_easy_setopt(node.handle, option, value); };
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_URL, node.url.c_str());
    set(CURLOPT_TIMEOUT, 0L);
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_WRITEFUNCTION, &WriteRange);
    set(CURLOPT_WRITEDATA, &node);
    set(CURLOPT_HEADERFUNCTION, &OnRangeHeader);
    set(CURLOPT_HEADERDATA, &node);
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_XFERINFOFUNCTION, &OnTransferInfo);
    set(CURLOPT_XFERINFODATA, this);
    set(CURLOPT_FAILONERROR, 1L);
    set(CURLOPT_CONNECTTIMEOUT, timings.connect_timeout_s);
    if (!download::ApplyTransferSecurity(node.handle)) refused |= CURLE_BAD_FUNCTION_ARGUMENT;
    set(CURLOPT_LOW_SPEED_LIMIT, 1L);
    set(CURLOPT_LOW_SPEED_TIME, timings.range_low_speed_time_s);
    set(CURLOPT_RANGE, range);
    set(CURLOPT_BUFFERSIZE, download::kReceiveBufferSize);
    if (refused != 0) return refused;
    CURLcode code = curl_easy_perform(node.handle);
    if (code == CURLE_WRITE_ERROR && node.start > node.end && node.answer_matches) {
        // The server sent more than the range; every byte of the range is on disk.
        code = CURLE_OK;
    }
    if (code != CURLE_OK) {
        DIAG_LOG("error:%d:%s", code, curl_easy_strerror(code));
    } else {
        DIAG_LOG("curl_easy_cleanup");
    }
    curl_easy_reset(node.handle);
    if (code == CURLE_OK && node.file != nullptr) {
        if (std::fclose(node.file) != 0) code = CURLE_WRITE_ERROR;
        node.file = nullptr;
    }
    node.result = code;
    return code;
}

void CMTCurlDownloader::downloadThreadFun(DownloadPartNode& node) {
    int budget = 12;
    int result = downloadExe(node);
    while (result != 0 && budget > 0 && !threads_.StopRequested()) {
        budget -= result == 18 ? 1 : 2;
        DIAG_LOG("CurlDownLoader Code=%d", result);
        if (!threads_.Sleep(download::TheDownloadTimings().range_retry_pause_ms)) break;
        result = downloadExe(node);
    }
    if (node.file != nullptr) {
        std::fclose(node.file);
        node.file = nullptr;
    }
    --running_parts_;
    threads_.Notify();
}

void CMTCurlDownloader::waitForFinishThreadFun() {
    // Woken by the last range as it ends; the poll is only a safety net.
    const int poll_ms = download::TheDownloadTimings().range_wait_poll_ms;
    if (!threads_.WaitUntil([this] { return running_parts_ == 0; }, poll_ms)) {
        // Stopping: the ranges still end on their own, and the destructor
        // releases the nodes once every thread is gone.
        return;
    }
    if (threads_.StopRequested()) return;
    int failure = 0;
    for (const auto& node : parts_) {
        if (node->result != 0) {
            failure = node->result;
            break;
        }
    }
    if (failure != 0) {
        ReleaseNodes();
        bool fresh;
        {
            std::lock_guard guard(progress_lock_);
            fresh = last_percent_ == 0.0;
        }
        if (fresh) DeletePartFiles();
        ReportWholeFailure(failure);
        return;
    }
    {
        std::lock_guard guard(progress_lock_);
        last_percent_ = 0.0;
    }
    if (int joined = JoinParts(); joined != 0) {
        // A truncated or unreadable part must never pass as the package.
        ReleaseNodes();
        DeletePartFiles();
        RemoveFile(target_path_);
        ReportWholeFailure(joined);
        return;
    }
    if (url_md5_.size() == 32) {
        std::string digest = digest_ ? digest_->Finish() : "";
        if (digest.empty()) digest = download::FileMd5(target_path_);
        if (digest.size() == 32 && digest != url_md5_) {
            Report(DL_CODE_NOTICE, failure, "mtcurl文件md5校验失败");
            RemoveFile(target_path_);
            ReleaseNodes();
            if (retried_) {
                DIAG_LOG("finish recv, md5 chaek failed and retry failed.");
                Report(DL_CODE_FAIL, 0.0, "LibCurl");
            } else {
                retried_ = true;
                DIAG_LOG("finish recv, md5 chaek failed retry once.");
                Report(DL_CODE_RETRY, 0.0, "LibCurl");
            }
            return;
        }
    } else {
        Report(DL_CODE_NOTICE, 0.0, "mtcurl获取url-md5失败");
    }
    DIAG_LOG("finish recv");
    ReleaseNodes();
    Report(DL_CODE_SUCCESS, 0.0, "LibCurl");
}

void CMTCurlDownloader::ReportWholeFailure(double value) {
    if (retried_) {
        std::lock_guard guard(progress_lock_);
        last_percent_ = 0.0;
    }
    if (retried_) {
        Report(DL_CODE_FAIL, value, "LibCurl");
    } else {
        retried_ = true;
        Report(DL_CODE_RETRY, value, "LibCurl");
    }
}

// Appends parts 1.. to part 0 and moves it to the target. Answers 0, or the
// failure value when a part is missing or unreadable, or the result has the
// wrong size or cannot be put in place.
int CMTCurlDownloader::JoinParts() {
    std::FILE* whole = std::fopen(PartPath(0).c_str(), "ab+");
    if (whole == nullptr) return kPartUnusable;
    int failure = 0;
    std::vector<char> block(1 << 20);
    for (std::size_t i = 1; i < parts_.size() && failure == 0; ++i) {
        const std::string& path = parts_[i]->path;
        std::FILE* part = std::fopen(path.c_str(), "rb");
        if (part == nullptr) {
            failure = kPartUnusable;
            break;
        }
        std::size_t n;
        while ((n = std::fread(block.data(), 1, block.size(), part)) > 0) {
            if (std::fwrite(block.data(), 1, n, whole) != n) {
                failure = kJoinedSizeWrong;
                break;
            }
            if (digest_) digest_->Update(block.data(), n);
        }
        if (std::ferror(part)) failure = kPartUnusable;
        std::fclose(part);
        DIAG_LOG("partPath::%s", path.c_str());
    }
    if (std::fclose(whole) != 0 && failure == 0) failure = kJoinedSizeWrong;
    if (failure != 0) return failure;
    std::error_code error;
    auto size = fs::file_size(PartPath(0), error);
    if (error || static_cast<std::int64_t>(size) != file_length_) {
        DIAG_LOG("joined size %lld, expected %lld", error ? -1LL : static_cast<long long>(size),
                 static_cast<long long>(file_length_));
        return kJoinedSizeWrong;
    }
    fs::rename(PartPath(0), target_path_, error);
    if (error) {
        DIAG_LOG("rename failed:%s", error.message().c_str());
        return kJoinedSizeWrong;
    }
    DeletePartFiles();
    return 0;
}

void CMTCurlDownloader::ReleaseNodes() {
    for (auto& node : parts_) {
        if (node->handle != nullptr) curl_easy_cleanup(node->handle);
        if (node->file != nullptr) std::fclose(node->file);
    }
    parts_.clear();
}
