#include "event_collector/PropertiesNode.h"

#include <cmath>
#include <iostream>

#include "event_collector/Validation.h"

namespace event_collector {

void PropertiesNode::SetObject(const std::string&, const utils::ObjectNode&) {}

bool PropertiesNode::SetString(const std::string& key, const std::string& value) {
    if (!CheckStringValue(key, value)) return false;
    SetValue(key, utils::ValueNode::String(value));
    return true;
}

void PropertiesNode::SetNumber(const std::string& key, std::int32_t value) {
    SetValue(key, utils::ValueNode::Int(value));
}

void PropertiesNode::SetNumber(const std::string& key, std::int64_t value) {
    SetValue(key, utils::ValueNode::Int(value));
}

bool PropertiesNode::SetNumber(const std::string& key, double value) {
    if (!std::isfinite(value)) {
        std::cerr << "Number property '" << key << "' is not a finite number." << std::endl;
        return false;
    }
    SetValue(key, utils::ValueNode::Number(value));
    return true;
}

void PropertiesNode::SetBool(const std::string& key, bool value) { SetValue(key, utils::ValueNode::Bool(value)); }

void PropertiesNode::SetDateTime(const std::string& key, std::int64_t secondsSince1970, int milliseconds) {
    SetValue(key, utils::ValueNode::Time(secondsSince1970, milliseconds));
}

bool PropertiesNode::SetList(const std::string& key, const std::vector<std::string>& values) {
    if (!CheckListValue(key, values)) return false;
    SetValue(key, utils::ValueNode::List(values));
    return true;
}

}  // namespace event_collector
