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
