#pragma once
// How a batch of records becomes the POST body the collector expects:
// "[" + records joined by "," + "]", gzip (level 9), Base64, percent-encoding,
// wrapped as "data_list=" + text + "&gzip=1".
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace event_collector {

// The compressed bytes with a gzip header and trailer; nothing (and a message
// on standard error) when zlib fails.
std::optional<std::string> GzipCompress(std::string_view data);
std::string Base64Encode(std::string_view data);
// Letters, digits, "-", ".", "_" and "~" stay; every other byte becomes %XX.
std::string PercentEncode(std::string_view data);
std::string JoinBatch(const std::vector<std::string>& records);
// The whole POST body for a batch; nothing when compression failed.
std::optional<std::string> BuildPostBody(const std::vector<std::string>& records);

}  // namespace event_collector
