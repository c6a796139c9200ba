#include "event_collector/CurlSender.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>
#include <string_view>

namespace event_collector {

namespace {

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n";
    const auto begin = text.find_first_not_of(kSpace);
    if (begin == std::string_view::npos) return {};
    const auto end = text.find_last_not_of(kSpace);
    return text.substr(begin, end - begin + 1);
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& response = *static_cast<HttpResponse*>(user);
    const std::size_t bytes = size * count;
    if (response.body.size() < kMaxKeptResponseBytes) {
        response.body.append(data, std::min(bytes, kMaxKeptResponseBytes - response.body.size()));
    }
    return bytes;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto& response = *static_cast<HttpResponse*>(user);
    const std::size_t bytes = size * count;
    if (response.headers.size() >= kMaxKeptResponseHeaders) return bytes;
    const std::string_view line(data, bytes);
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) {
        const auto trimmed = Trim(line);
        if (!trimmed.empty()) response.headers.emplace_back(std::string(trimmed), "present");
    } else {
        response.headers.emplace_back(std::string(Trim(line.substr(0, colon))),
                                      std::string(Trim(line.substr(colon + 1))));
    }
    return bytes;
}

}  // namespace

HttpResponse CurlPost(const std::string& url, const std::string& body) {
    HttpResponse response;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) {
        response.body = "Couldn't initialize curl handle";
        return response;
    }
    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_POST, 1L);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    // Records carry user identities: the collector must prove who it is.
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const char* bundle = std::getenv(kCaBundleVariable); bundle && *bundle) {
        curl_easy_setopt(handle, CURLOPT_CAINFO, bundle);
    }
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &response);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &response);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, "EventCollector CPP SDK 0.7");
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, 3L);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    const CURLcode result = curl_easy_perform(handle);
    if (result != CURLE_OK) {
        response.status = -1;
        response.body = curl_easy_strerror(result);
        return response;
    }
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    response.status = status;
    return response;
}

}  // namespace event_collector
