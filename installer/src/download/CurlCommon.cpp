#include "download/CurlCommon.h"

#include <curl/curl.h>

#include <cstdlib>

namespace download {

bool ApplyTransferSecurity(CURL* handle) {
    bool ok = curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK;
    ok = curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK && ok;
    if (const char* bundle = std::getenv("QUORVANE_CA_BUNDLE"); bundle != nullptr && *bundle != '\0') {
        ok = curl_easy_setopt(handle, CURLOPT_CAINFO, bundle) == CURLE_OK && ok;
    }
    return ok;
}

}  // namespace download

namespace download {

bool ApplyStallLimit(CURL* handle, long seconds) {
    bool ok = curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK;
    return curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, seconds) == CURLE_OK && ok;
}

std::unique_ptr<char[]> UseLargeWriteBuffer(std::FILE* file) {
    // stdio keeps its small default when asked for a size without a buffer.
    // Larger is not better: with a 1 MiB buffer a single stream spent far more
    // time copying into the page cache (measured; likely its buffers then
    // outgrow the processor cache).
    constexpr std::size_t kSize = std::size_t{256} << 10;
    if (file == nullptr) return nullptr;
    auto buffer = std::make_unique_for_overwrite<char[]>(kSize);
    if (std::setvbuf(file, buffer.get(), _IOFBF, kSize) != 0) return nullptr;
    return buffer;
}

double ContentLengthOf(CURL* handle, double fallback, CURLcode* read_result) {
    curl_off_t length = -1;
    CURLcode code = curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (read_result != nullptr) *read_result = code;
    return code == CURLE_OK && length >= 0 ? static_cast<double>(length) : fallback;
}

double SpeedOf(CURL* handle) {
    curl_off_t speed = 0;
    curl_easy_getinfo(handle, CURLINFO_SPEED_DOWNLOAD_T, &speed);
    return static_cast<double>(speed);
}

}  // namespace download
