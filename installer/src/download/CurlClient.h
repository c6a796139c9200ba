#pragma once
// Fetches one URL into one file over libcurl, resuming from "<target>.part".
// Before a transfer it learns the address reached after redirects (the real URL)
// and the file's size with header-only requests; it refuses files whose size is
// unknown or below 1 MiB. Used by one engine thread at a time; RequestStop may
// be called from any thread and makes a running transfer end with result 42.
#include <curl/curl.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <cstdint>
#include <string>

#include "download/Md5Stream.h"

class CurlClient {
public:
    // (owner, speed in bytes/s, reserved 0.0, percent)
    using ProgressFunction = void (*)(void* owner, double speed, double reserved, double percent);

    // Own result codes besides libcurl's.
    static constexpr int kPartFileUnusable = -996;   // the ".part" file cannot be opened
    static constexpr int kNoHandle = -997;           // no libcurl handle could be made
    static constexpr int kSizeUnknown = -998;        // size unknown or below 1 MiB
    // The finished file is longer than announced, or cannot be moved to the target.
    static constexpr int kNotPutInPlace = -995;
    static constexpr double kMinimumLength = 1048576.0;

    CurlClient(std::string url, std::string target_path, void* owner, ProgressFunction progress);
    ~CurlClient();
    CurlClient(const CurlClient&) = delete;
    CurlClient& operator=(const CurlClient&) = delete;

    // The target path, or with ".part" appended.
    std::string GetTempName(bool with_part) const;

    // One transfer attempt: 0 on success (the complete file is at the target),
    // a libcurl result, or one of the codes above.
    int Start();

    // Header-only request following redirects; the caller releases the handle.
    CURL* Head(const std::string& url);
    // Size from a probed handle; -1.0 unless its status is 200-399.
    double GetDownloadFileLength(CURL* handle);
    std::string GetRealUrl_Str(const std::string& url);
    double GetDownloadFileLength_Str(const std::string& url);

    void RequestStop() { stop_ = true; }
    std::string RealUrl() const { return real_url_; }
    double ContentLength() const { return content_length_; }
    std::string LastErrorText() const { return last_error_text_; }
    // MD5 of the file the last successful Start put at the target, taken while
    // it was written; "" when it could not be taken that way.
    std::string Digest() const { return digest_text_; }

private:
    static int OnTransferInfo(void* client, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                              curl_off_t ulnow);
    static std::size_t WriteToPart(char* data, std::size_t size, std::size_t count, void* client);
    static int OnProbeInfo(void* client, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    bool SetProbeOptions(CURL* handle, const std::string& url, bool header_in_body);
    int Transfer(const std::string& part_path);
    int PutInPlace(const std::string& part_path, const std::string& target);

    std::string url_;
    std::string target_path_;
    void* owner_;
    ProgressFunction progress_;
    CURL* handle_ = nullptr;
    double content_length_ = -1.0;
    std::int64_t resume_offset_ = -1;
    std::int64_t last_progress_second_ = 0;
    std::atomic<bool> stop_{false};
    std::string last_error_text_;
    std::string real_url_;
    std::FILE* part_file_ = nullptr;        // the ".part" file during a transfer
    std::unique_ptr<download::Md5Stream> digest_;  // of the ".part" file's bytes so far
    std::string digest_text_;
};
