#pragma once
// Undoes what the event-collection client does to a batch: form field
// "data_list" percent-decoded, Base64-decoded, gunzipped when "gzip=1",
// then parsed as a JSON array of objects.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace collector {

// Inflated batches larger than this are refused rather than held in memory.
inline constexpr std::size_t kMaxInflatedBytes = 64 * 1024 * 1024;

struct DecodedBatch {
    std::vector<nlohmann::json> records;  // set when ok
    std::string error;                    // why the body was refused
    bool ok() const { return error.empty(); }
};

std::optional<std::string> PercentDecode(std::string_view text);
std::optional<std::string> Base64Decode(std::string_view text);
std::optional<std::string> Gunzip(std::string_view data, std::size_t maxBytes = kMaxInflatedBytes);
// The value of one field of an application/x-www-form-urlencoded body, raw.
std::optional<std::string> FormField(std::string_view body, std::string_view name);
DecodedBatch DecodeBatch(std::string_view body);

}  // namespace collector
