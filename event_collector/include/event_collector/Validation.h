#pragma once
// The rules every identifier, key and string value must pass. Each check
// writes its refusal message to standard error and answers false.
#include <string>
#include <string_view>
#include <vector>

namespace event_collector {

// 1 to 255 bytes of valid UTF-8. `name` is "Distinct ID" or "Original ID".
bool CheckIdentifier(std::string_view name, const std::string& value);
// Valid UTF-8 only. An identifier is written into every record of its
// client, so one the collector cannot read would spoil every batch.
bool CheckIdentifierText(std::string_view name, const std::string& value);
// 1 to 100 bytes: a letter, "$" or "_", then letters, digits, "$" or "_".
// `name` is "Event Name" or "Property Key".
bool CheckKey(std::string_view name, const std::string& key);
// Well-formed UTF-8 without control characters other than tab, line feed and
// carriage return; no overlong forms, no surrogates, nothing past U+10FFFF.
bool IsValidUtf8(std::string_view text);
// At most 8192 bytes and valid UTF-8; `key` names the property in the message.
bool CheckStringValue(const std::string& key, const std::string& value);
// Valid UTF-8 alone, with the same message as a string value.
bool CheckUtf8Value(const std::string& key, const std::string& value);
// Every element of a list value is valid UTF-8 (lists have no length limit).
bool CheckListValue(const std::string& key, const std::vector<std::string>& values);

}  // namespace event_collector
