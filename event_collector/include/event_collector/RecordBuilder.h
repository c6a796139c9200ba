#pragma once
// Turns one event or profile update into the JSON record the collector takes.
#include <cstdint>
#include <optional>
#include <string>

#include "event_collector/PropertiesNode.h"

namespace event_collector {

// What a record is built from; the identity fields are a snapshot of the client's.
struct RecordInput {
    std::string type{};  // "track", "track_signup", "profile_set", ...
    std::string eventName{};
    const PropertiesNode* properties = nullptr;
    std::string distinctId{};
    std::string originalId{};
    const PropertiesNode* superProperties = nullptr;  // merged under the properties of track records
    bool isLoginId = false;
    std::int64_t nowMilliseconds = 0;  // the time when the properties carry no "$time"
};

// The record's JSON, or nothing (with the refusal on standard error) when a
// key, the event name or the original id breaks its rule, or "$time" or
// "$project" has the wrong kind.
std::optional<std::string> BuildRecord(const RecordInput& input);

}  // namespace event_collector
