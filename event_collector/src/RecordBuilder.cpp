#include "event_collector/RecordBuilder.h"

#include <iostream>

#include "event_collector/Validation.h"

namespace event_collector {

namespace {

using utils::ValueNode;

bool CheckProperties(const PropertiesNode& properties) {
    for (const auto& [key, value] : properties.Values()) {
        if (!CheckKey("Property Key", key)) return false;
        if (key == "$time" && value.type() != ValueNode::Type::DateTime) {
            std::cerr << "The property '$time' should be DateTime type.";
            return false;
        }
        if (key == "$project" && value.type() != ValueNode::Type::String) {
            std::cerr << "The property '$project' should be String type.";
            return false;
        }
    }
    return true;
}

// String and list values normally pass their setters' checks; one stored
// unchecked (or merged in from such a set) must not reach the queue, where a
// batch the collector cannot read would be put back and retried for ever.
bool CheckValueTexts(const PropertiesNode& properties) {
    for (const auto& [key, value] : properties.Values()) {
        if (value.type() == ValueNode::Type::String && !CheckUtf8Value(key, value.AsString())) return false;
        if (value.type() == ValueNode::Type::List && !CheckListValue(key, value.AsList())) return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> BuildRecord(const RecordInput& input) {
    static const PropertiesNode kNone;
    const PropertiesNode& given = input.properties ? *input.properties : kNone;
    if (!CheckProperties(given)) return std::nullopt;
    const bool isTrack = input.type == "track";
    const bool isSignup = input.type == "track_signup";
    if (isTrack && !CheckKey("Event Name", input.eventName)) return std::nullopt;
    if (isSignup && !CheckIdentifier("Original ID", input.originalId)) return std::nullopt;

    PropertiesNode properties;
    if ((isTrack || isSignup) && input.superProperties) properties = *input.superProperties;
    properties.Merge(given);
    if (!CheckValueTexts(properties)) return std::nullopt;

    std::int64_t time = input.nowMilliseconds;
    if (const ValueNode* stamp = properties.Find("$time")) {
        time = stamp->AsDateTime().seconds * 1000 + stamp->AsDateTime().milliseconds;
        properties.Remove("$time");
    }
    std::string project;
    if (const ValueNode* value = properties.Find("$project")) {
        project = value->AsString();
        properties.Remove("$project");
    }
    if (input.isLoginId) properties.SetBool("$is_login_id", true);

    utils::ObjectNode lib;
    lib.SetValue("$lib", ValueNode::String("cpp"));
    lib.SetValue("$lib_version", ValueNode::String("0.7"));
    lib.SetValue("$lib_method", ValueNode::String("code"));

    utils::ObjectNode record;
    record.SetValue("type", ValueNode::String(input.type));
    record.SetValue("time", ValueNode::Int(time));
    record.SetValue("distinct_id", ValueNode::String(input.distinctId));
    record.SetObject("properties", properties);
    record.SetObject("lib", lib);
    if (!project.empty()) record.SetValue("project", ValueNode::String(project));
    if (isTrack || isSignup) record.SetValue("event", ValueNode::String(input.eventName));
    if (isSignup) record.SetValue("original_id", ValueNode::String(input.originalId));
    return record.ToJson();
}

}  // namespace event_collector
