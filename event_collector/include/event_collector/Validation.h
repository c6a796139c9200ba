#pragma once
// The rules every identifier, key and string value must pass. Each check
// writes its refusal message to standard error and answers false.
#include <string>
#include <string_view>

namespace event_collector {

// 1 to 255 bytes. `name` is "Distinct ID" or "Original ID".
bool CheckIdentifier(std::string_view name, const std::string& value);
// 1 to 100 bytes: a letter, "$" or "_", then letters, digits, "$" or "_".
// `name` is "Event Name" or "Property Key".
bool CheckKey(std::string_view name, const std::string& key);
// Well-formed UTF-8 without control characters other than tab, line feed and
// carriage return; no overlong forms, no surrogates, nothing past U+10FFFF.
bool IsValidUtf8(std::string_view text);
// At most 8192 bytes and valid UTF-8; `key` names the property in the message.
bool CheckStringValue(const std::string& key, const std::string& value);

}  // namespace event_collector
