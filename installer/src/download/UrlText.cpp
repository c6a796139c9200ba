#include "download/UrlText.h"

#include <curl/curl.h>


namespace download {

std::string Md5SegmentOf(const std::string& url) {
    std::size_t last = url.rfind('/');
    if (last == std::string::npos || last == 0) return "";
    std::size_t before = url.rfind('/', last - 1);
    if (before == std::string::npos) return "";
    return url.substr(before + 1, last - before - 1);
}

bool IsFileUrl(const std::string& url) { return url.rfind("file:///", 0) == 0; }

std::string CurlErrorText(int code) { return curl_easy_strerror(static_cast<CURLcode>(code)); }

}  // namespace download
