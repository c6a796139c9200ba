#pragma once
// The collector POST over libcurl: a fresh handle per request, user agent
// "EventCollector CPP SDK 0.7", 3-second timeout, no redirects followed,
// peer and host verification on (QUORVANE_CA_BUNDLE may name the CA file).
#include <string>

#include "event_collector/Sdk.h"

namespace event_collector {

inline constexpr const char* kCaBundleVariable = "QUORVANE_CA_BUNDLE";
// Longest part of a response body kept; the rest is read and discarded so
// that a collector answering with a huge body cannot grow the client.
inline constexpr std::size_t kMaxKeptResponseBytes = 64 * 1024;
inline constexpr std::size_t kMaxKeptResponseHeaders = 100;

HttpResponse CurlPost(const std::string& url, const std::string& body);

}  // namespace event_collector
