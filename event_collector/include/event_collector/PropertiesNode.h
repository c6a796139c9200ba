#pragma once
// The property set callers fill for an event or a profile update.
// Setting a key that exists replaces its value. A property set never holds a
// nested object: SetObject does nothing.
#include <cstdint>
#include <string>
#include <vector>

#include "event_collector/ObjectNode.h"

namespace event_collector {

class PropertiesNode : public utils::ObjectNode {
public:
    void SetObject(const std::string& key, const utils::ObjectNode& value) override;
    ~PropertiesNode() override = default;

    // Refuses (message on standard error, key not set) a text longer than
    // 8192 bytes or one that is not valid UTF-8. Returns whether it was set.
    bool SetString(const std::string& key, const std::string& value);
    void SetNumber(const std::string& key, std::int32_t value);  // stored as the 64-bit integer kind
    void SetNumber(const std::string& key, std::int64_t value);
    // Refuses NaN and infinities: they have no JSON form and would spoil the
    // whole batch the record travels in. Returns whether it was set.
    bool SetNumber(const std::string& key, double value);
    void SetBool(const std::string& key, bool value);
    void SetDateTime(const std::string& key, std::int64_t secondsSince1970, int milliseconds);
    // Refuses (message on standard error, key not set) a list with an element
    // that is not valid UTF-8. Returns whether it was set.
    bool SetList(const std::string& key, const std::vector<std::string>& values);
    void Merge(const utils::ObjectNode& other) { utils::ObjectNode::Merge(other); }
};

}  // namespace event_collector
