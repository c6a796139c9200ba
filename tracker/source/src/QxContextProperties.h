#pragma once
// Extra properties a caller attaches to chosen kinds of event for one report
// (in this program only the A/B-test group, "qxc_ab"). A plain value built and
// read by one thread; the tracker only reads it.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "QxEventType.h"

namespace tessavon::tracking {

class QxContextProperties {
public:
    enum class ValueType : std::int32_t { Text };

    struct Entry {
        ValueType type;
        std::string name;
        std::shared_ptr<const std::string> value;  // one stored value serves every kind
    };

    // Registers "qxc_ab" = value and attaches it to every listed kind, in order.
    // Raises QxException when "qxc_ab" is already registered or a kind is
    // outside 0..14; entries attached before the failure stay.
    void setProperty(const std::vector<std::int32_t>& kinds, std::string value);

    // True for an acceptable A/B group (one to three bytes: A-Z, then A-Z or
    // 0-9), false for an empty one; raises QxException for a malformed one.
    static bool isValidABValue(const std::string& value);

    // The entries attached to kind, in order of attachment; raises for a kind
    // outside 0..14.
    const std::vector<Entry>& getEventProperties(std::int32_t kind) const;

private:
    std::unordered_map<std::string, std::shared_ptr<const std::string>> values_;
    std::array<std::vector<Entry>, kQxEventTypeCount> kinds_;
};

}  // namespace tessavon::tracking
