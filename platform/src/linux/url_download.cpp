#include "platform/url_download.h"

#include <curl/curl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <limits>

namespace platform {
namespace {

struct Transfer {
    DownloadStatusCallback* callback = nullptr;
    bool cancelled = false;
    bool began = false;
    std::chrono::steady_clock::time_point last_call{};
};

// Sizes past 4 GiB do not fit the callback's 32-bit counters: scale both down
// together so the fraction stays right.
void ScaleTo32Bits(curl_off_t& now, curl_off_t& total) {
    while (total > static_cast<curl_off_t>(std::numeric_limits<std::uint32_t>::max())) {
        now >>= 1;
        total >>= 1;
    }
}

int OnTransferInfo(void* data, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(data);
    if (transfer->callback == nullptr) return 0;
    if (dlnow <= 0) return 0;
    // libcurl calls many times a second; the callback hears at most once a second.
    auto now = std::chrono::steady_clock::now();
    if (transfer->began && now - transfer->last_call < std::chrono::seconds(1)) return 0;
    transfer->last_call = now;
    std::uint32_t status = transfer->began ? kBindStatusDownloadingData : kBindStatusBeginDownloadData;
    transfer->began = true;
    if (dlnow > dltotal && dltotal > 0) dlnow = dltotal;
    ScaleTo32Bits(dlnow, dltotal);
    if (transfer->callback->OnProgress(static_cast<std::uint32_t>(dlnow), static_cast<std::uint32_t>(dltotal), status,
                                       "") != kUrlOk) {
        transfer->cancelled = true;
        return 1;
    }
    return 0;
}

std::int32_t ResultOf(CURLcode code, long status) {
    switch (code) {
        case CURLE_OK: return kUrlOk;
        case CURLE_ABORTED_BY_CALLBACK: return kUrlAborted;
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT: return kUrlInvalidUrl;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_FILE_COULDNT_READ_FILE:
        case CURLE_REMOTE_FILE_NOT_FOUND: return kUrlNotFound;
        case CURLE_COULDNT_CONNECT: return kUrlCannotConnect;
        case CURLE_OPERATION_TIMEDOUT: return kUrlConnectionTimeout;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CACERT_BADFILE: return kUrlSecurityProblem;
        case CURLE_HTTP_RETURNED_ERROR: return status == 404 || status == 410 ? kUrlNotFound : kUrlDownloadFailure;
        case CURLE_WRITE_ERROR: return kUrlAccessDenied;
        default: return kUrlDownloadFailure;
    }
}

// File addresses name local paths as they are ("file:///C:/My Files/a.exe"
// works for the system service); libcurl wants them escaped.
std::string EscapedFileUrl(const std::string& url) {
    std::string escaped;
    char hex[4];
    for (unsigned char byte : url) {
        if (byte <= 0x20 || byte >= 0x7F || byte == '#' || byte == '?') {
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            escaped += hex;
        } else {
            escaped += static_cast<char>(byte);
        }
    }
    return escaped;
}

}  // namespace

std::int32_t UrlDownloadToFile(const std::string& url, const std::string& path, DownloadStatusCallback* callback) {
    if (url.empty()) return kUrlInvalidUrl;
    if (path.empty()) return kUrlAccessDenied;
    std::string temporary = path + ".XXXXXX";
    int fd = ::mkstemp(temporary.data());
    if (fd < 0) return errno == EACCES || errno == EROFS ? kUrlAccessDenied : kUrlFailed;
    // mkstemp makes the file private; a downloaded package is an ordinary file.
    ::fchmod(fd, 0644);
    FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return kUrlFailed;
    }
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        std::fclose(file);
        ::unlink(temporary.c_str());
        return kUrlFailed;
    }
    Transfer transfer{callback};
    const std::string address = url.rfind("file://", 0) == 0 ? EscapedFileUrl(url) : url;
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 60L);
    // A peer that stops sending for a minute is treated as gone rather than waited for.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const char* bundle = std::getenv("QUORVANE_CA_BUNDLE"); bundle != nullptr && *bundle != '\0') {
        curl_easy_setopt(curl, CURLOPT_CAINFO, bundle);
    }
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, file);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OnTransferInfo);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);

    bool written = std::fclose(file) == 0;
    std::int32_t result = ResultOf(code, status);
    if (result == kUrlOk && !written) result = kUrlAccessDenied;
    if (result == kUrlOk && std::rename(temporary.c_str(), path.c_str()) != 0) result = kUrlAccessDenied;
    if (result != kUrlOk) ::unlink(temporary.c_str());
    if (result == kUrlOk && callback != nullptr) {
        callback->OnProgress(0, 0, kBindStatusEndDownloadData, "");
    }
    return result;
}

}  // namespace platform
