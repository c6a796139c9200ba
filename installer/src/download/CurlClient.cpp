#include "download/CurlClient.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>

#include "download/CurlCommon.h"
#include "download/DownloadFailureReporter.h"
#include "download/DownloadTimings.h"
#include "download/UrlText.h"
#include "utils/DiagLog.h"

namespace fs = std::filesystem;

namespace {

std::size_t DiscardBody(char*, std::size_t size, std::size_t count, void*) { return size * count; }

std::int64_t FileSize(const std::string& path) {
    std::error_code error;
    auto size = fs::file_size(path, error);
    return error ? -1 : static_cast<std::int64_t>(size);
}

void ReportStatus(long status) {
    char reason[200];
    std::snprintf(reason, sizeof reason, "1.获取文件大小的状态码为=%ld；", status);
    download::ReportDownloadFailure(reason);
}

}  // namespace

CurlClient::CurlClient(std::string url, std::string target_path, void* owner, ProgressFunction progress)
    : url_(std::move(url)), target_path_(std::move(target_path)), owner_(owner), progress_(progress) {}

CurlClient::~CurlClient() {
    std::error_code ignored;
    fs::remove(GetTempName(true), ignored);
    stop_ = true;
}

std::string CurlClient::GetTempName(bool with_part) const {
    return with_part ? target_path_ + ".part" : target_path_;
}

std::size_t CurlClient::WriteToPart(char* data, std::size_t size, std::size_t count, void* data_of_client) {
    auto* client = static_cast<CurlClient*>(data_of_client);
    std::size_t written = std::fwrite(data, size, count, client->part_file_);
    if (client->digest_) client->digest_->Update(data, written * size);
    return written;
}

int CurlClient::OnProbeInfo(void* client, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<CurlClient*>(client)->stop_ ? 1 : 0;
}

bool CurlClient::SetProbeOptions(CURL* handle, const std::string& url, bool header_in_body) {
    const auto& timings = download::TheDownloadTimings();
    bool ok = curl_easy_setopt(handle, CURLOPT_URL, url.c_str()) == CURLE_OK;
    if (header_in_body) {
        ok = curl_easy_setopt(handle, CURLOPT_HEADER, 1L) == CURLE_OK && ok;
    } else {
        ok = curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK && ok;
    }
    ok = curl_easy_setopt(handle, CURLOPT_NOBODY, 1L) == CURLE_OK && ok;
    ok = curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DiscardBody) == CURLE_OK && ok;
    ok = curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, timings.connect_timeout_s) == CURLE_OK && ok;
    ok = curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L) == CURLE_OK && ok;
    ok = curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L) == CURLE_OK && ok;
    ok = curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &OnProbeInfo) == CURLE_OK && ok;
    ok = curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this) == CURLE_OK && ok;
    ok = download::ApplyStallLimit(handle, timings.stream_low_speed_time_s) && ok;
    return download::ApplyTransferSecurity(handle) && ok;
}

CURL* CurlClient::Head(const std::string& url) {
    CURL* handle = curl_easy_init();
    if (handle == nullptr) return nullptr;
    CURLcode code = SetProbeOptions(handle, url, false) ? curl_easy_perform(handle) : CURLE_BAD_FUNCTION_ARGUMENT;
    if (code != CURLE_OK) DIAG_LOG("error:%d:%s", code, curl_easy_strerror(code));
    DIAG_LOG("error:%d:%s", code, curl_easy_strerror(code));
    return handle;
}

double CurlClient::GetDownloadFileLength(CURL* handle) {
    CURLcode code = CURLE_OK;
    double length = download::ContentLengthOf(handle, -1.0, &code);
    DIAG_LOG("error:%d:%s", code, curl_easy_strerror(code));
    long status = 0;
    if (curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status >= 200 && status <= 399) {
        return length;
    }
    ReportStatus(status);
    return -1.0;
}

std::string CurlClient::GetRealUrl_Str(const std::string& url) {
    CURL* handle = curl_easy_init();
    if (handle == nullptr) return url;
    std::string effective;
    CURLcode code = SetProbeOptions(handle, url, false) ? curl_easy_perform(handle) : CURLE_BAD_FUNCTION_ARGUMENT;
    if (code != CURLE_OK) {
        DIAG_LOG("error:%d:%s", code, curl_easy_strerror(code));
    } else {
        char* address = nullptr;
        if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &address) == CURLE_OK && address) effective = address;
    }
    curl_easy_cleanup(handle);
    return effective.empty() ? url : effective;
}

double CurlClient::GetDownloadFileLength_Str(const std::string& url) {
    CURL* handle = curl_easy_init();
    if (handle == nullptr) return -1.0;
    if (SetProbeOptions(handle, url, true)) curl_easy_perform(handle);
    double length = download::ContentLengthOf(handle, -1.0);
    long status = 0;
    CURLcode code = curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (code != CURLE_OK || status < 200 || status > 400) ReportStatus(status);
    DIAG_LOG("error:%d:%s", code, curl_easy_strerror(code));
    curl_easy_cleanup(handle);
    return length;
}

int CurlClient::Start() {
    DIAG_LOG("start download");
    const std::string part_path = GetTempName(true);
    int result = 0;
    if (real_url_.empty() || content_length_ < kMinimumLength) {
        CURL* probe = Head(url_);
        real_url_.clear();
        content_length_ = -1.0;
        if (probe != nullptr) {
            char* address = nullptr;
            if (curl_easy_getinfo(probe, CURLINFO_EFFECTIVE_URL, &address) == CURLE_OK && address) real_url_ = address;
            content_length_ = GetDownloadFileLength(probe);
            curl_easy_cleanup(probe);
        }
    }
    if (real_url_.empty() || content_length_ < kMinimumLength) {
        real_url_ = GetRealUrl_Str(url_);
        if (!real_url_.empty()) content_length_ = GetDownloadFileLength_Str(real_url_);
        if (content_length_ < kMinimumLength) result = kSizeUnknown;
    }
    if (result == 0 && !stop_) result = Transfer(part_path);
    if (result == 0 && stop_) result = CURLE_ABORTED_BY_CALLBACK;
    if (result == 0) result = PutInPlace(part_path, target_path_);
    digest_text_ = result == 0 && digest_ ? digest_->Finish() : "";
    digest_.reset();
    DIAG_LOG("end download");
    return result;
}

int CurlClient::Transfer(const std::string& part_path) {
    handle_ = curl_easy_init();
    if (handle_ == nullptr) {
        DIAG_LOG("error:%d:%s", kNoHandle, curl_easy_strerror(static_cast<CURLcode>(kNoHandle)));
        return kNoHandle;
    }
    std::unique_ptr<char[]> write_buffer;  // outlives `file`, closed below
    std::FILE* file = std::fopen(part_path.c_str(), "ab+");
    int result = 0;
    if (file != nullptr) {
        resume_offset_ = FileSize(part_path);
        if (resume_offset_ > static_cast<std::int64_t>(content_length_)) {
            // Longer than the file can be: nothing in it can be trusted.
            file = std::freopen(part_path.c_str(), "wb+", file);
            resume_offset_ = file != nullptr ? 0 : -1;
        }
    }
    write_buffer = download::UseLargeWriteBuffer(file);
    if (file != nullptr) {
        // The digest covers what is already on disk, then every byte written.
        digest_ = std::make_unique<download::Md5Stream>();
        if (!digest_->UpdateFromFile(part_path, resume_offset_)) digest_.reset();
    }
    if (file == nullptr) {
        last_error_text_ = std::string(std::strerror(errno)).substr(0, 200);
        result = kPartFileUnusable;
    } else if (resume_offset_ == static_cast<std::int64_t>(content_length_)) {
        // Already complete (an earlier attempt could not move it into place).
        result = 0;
    } else {
        const auto& timings = download::TheDownloadTimings();
        curl_slist* headers = curl_slist_append(nullptr, "Connection: keep-alive");
        headers = curl_slist_append(headers, "Accept-Encoding: gzip, deflate");
        int refused = 0;
        auto set = [&](CURLoption option, auto value) { refused |= curl_easy_setopt(handle_, option, value); };
        set(CURLOPT_HTTPHEADER, headers);
        set(CURLOPT_TCP_KEEPALIVE, 1L);
        set(CURLOPT_TCP_KEEPIDLE, 10L);
        set(CURLOPT_TCP_KEEPINTVL, 10L);
        set(CURLOPT_TIMEOUT, 0L);
        set(CURLOPT_URL, real_url_.c_str());
        set(CURLOPT_FOLLOWLOCATION, 1L);
        part_file_ = file;
        set(CURLOPT_WRITEFUNCTION, &WriteToPart);
        set(CURLOPT_WRITEDATA, this);
        set(CURLOPT_NOPROGRESS, 0L);
        set(CURLOPT_XFERINFOFUNCTION, &OnTransferInfo);
        set(CURLOPT_XFERINFODATA, this);
        set(CURLOPT_FAILONERROR, 1L);
        set(CURLOPT_CONNECTTIMEOUT, timings.connect_timeout_s);
        set(CURLOPT_NOSIGNAL, 1L);
        set(CURLOPT_BUFFERSIZE, download::kReceiveBufferSize);
        if (resume_offset_ > 0) set(CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(resume_offset_));
        if (!download::ApplyStallLimit(handle_, timings.stream_low_speed_time_s)) refused |= CURLE_BAD_FUNCTION_ARGUMENT;
        if (!download::ApplyTransferSecurity(handle_)) refused |= CURLE_BAD_FUNCTION_ARGUMENT;
        result = refused == 0 ? curl_easy_perform(handle_) : refused;
        curl_slist_free_all(headers);
    }
    DIAG_LOG("error:%d:%s", result, curl_easy_strerror(static_cast<CURLcode>(result)));
    curl_easy_cleanup(handle_);
    handle_ = nullptr;
    part_file_ = nullptr;
    if (file != nullptr && std::fclose(file) != 0 && result == 0) result = CURLE_WRITE_ERROR;
    return result;
}

// A transfer can end "successfully" with fewer bytes than announced (a server
// that closes a body without a length) or more (a lying length): only a file
// of exactly the probed size goes to the target.
int CurlClient::PutInPlace(const std::string& part_path, const std::string& target) {
    std::int64_t size = FileSize(part_path);
    auto expected = static_cast<std::int64_t>(content_length_);
    if (size >= 0 && size < expected) {
        DIAG_LOG("short file %lld of %lld", static_cast<long long>(size), static_cast<long long>(expected));
        return CURLE_PARTIAL_FILE;
    }
    std::error_code error;
    if (size != expected) {
        DIAG_LOG("file of %lld bytes, expected %lld", static_cast<long long>(size), static_cast<long long>(expected));
        fs::remove(part_path, error);
        return kNotPutInPlace;
    }
    fs::remove(target, error);
    fs::rename(part_path, target, error);
    if (error) {
        DIAG_LOG("rename failed:%s", error.message().c_str());
        return kNotPutInPlace;
    }
    return 0;
}

int CurlClient::OnTransferInfo(void* data, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t) {
    auto* client = static_cast<CurlClient*>(data);
    if (client->stop_) return 1;
    std::int64_t now = std::time(nullptr);
    if (now - client->last_progress_second_ < 1) return 0;
    client->last_progress_second_ = now;
    double speed = download::SpeedOf(client->handle_);
    double percent;
    if (client->content_length_ > kMinimumLength) {
        percent = static_cast<double>(dlnow + client->resume_offset_) / client->content_length_ * 100.0;
    } else {
        if (dlnow <= 0 || dltotal <= 0) return 0;
        percent = static_cast<double>(dlnow) * 100.0 / static_cast<double>(dltotal);
    }
    if (percent != 0.0) {
        if (client->progress_) client->progress_(client->owner_, speed, 0.0, percent);
        if (dltotal != 0) {
            DIAG_LOG(" %dM %dM   progress:%f%%  speed:%f \n", static_cast<int>(dlnow / 1048576),
                     static_cast<int>(dltotal / 1048576), static_cast<double>(static_cast<float>(percent)),
                     static_cast<double>(static_cast<float>(speed / 1024)));
        }
    }
    return 0;
}
