#include "event_collector/ObjectNode.h"

#include <cstdio>
#include <ctime>
#include <locale>
#include <mutex>
#include <sstream>

namespace event_collector::utils {

namespace {

void WriteDouble(double value, std::string& out) {
    // A default-formatted stream: six significant digits, fixed or exponent
    // form, whichever is shorter (3.5, 1e+06). The classic locale keeps the
    // decimal point a dot whatever the process locale says.
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    stream << value;
    out += stream.str();
}

void WriteDateTime(const DateTime& time, std::string& out) {
    std::tm local{};
    const std::time_t seconds = static_cast<std::time_t>(time.seconds);
    {
        // std::localtime shares one buffer per process; copy it out under a lock.
        static std::mutex localtimeLock;
        std::lock_guard lock(localtimeLock);
        if (const std::tm* converted = std::localtime(&seconds)) local = *converted;
    }
    char text[64];
    std::snprintf(text, sizeof text, "\"%04d-%02d-%02d %02d:%02d:%02d.%03d\"", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, time.milliseconds);
    out += text;
}

}  // namespace

ValueNode ValueNode::Number(double value) {
    ValueNode node;
    node.value_ = value;
    return node;
}
ValueNode ValueNode::Int(std::int64_t value) {
    ValueNode node;
    node.value_ = value;
    return node;
}
ValueNode ValueNode::String(std::string value) {
    ValueNode node;
    node.value_ = std::move(value);
    return node;
}
ValueNode ValueNode::List(std::vector<std::string> value) {
    ValueNode node;
    node.value_ = std::move(value);
    return node;
}
ValueNode ValueNode::Time(std::int64_t seconds, int milliseconds) {
    ValueNode node;
    node.value_ = DateTime{seconds, milliseconds};
    return node;
}
ValueNode ValueNode::Bool(bool value) {
    ValueNode node;
    node.value_ = value;
    return node;
}
ValueNode ValueNode::Object(const ObjectNode& value) {
    ValueNode node;
    // Slices a PropertiesNode down to its values, which is all an object holds.
    node.value_ = std::shared_ptr<const ObjectNode>(std::make_shared<ObjectNode>(value));
    return node;
}

void ValueNode::WriteJson(std::string& out) const {
    switch (type()) {
        case Type::Number: WriteDouble(AsNumber(), out); break;
        case Type::Int: out += std::to_string(AsInt()); break;
        case Type::String: WriteJsonString(AsString(), out); break;
        case Type::List: {
            out += '[';
            bool first = true;
            for (const auto& item : AsList()) {
                if (!first) out += ',';
                first = false;
                WriteJsonString(item, out);
            }
            out += ']';
            break;
        }
        case Type::DateTime: WriteDateTime(AsDateTime(), out); break;
        case Type::Bool: out += AsBool() ? "true" : "false"; break;
        case Type::Object: AsObject().WriteJson(out); break;
    }
}

void ObjectNode::SetObject(const std::string& key, const ObjectNode& value) {
    properties_[key] = ValueNode::Object(value);
}

void ObjectNode::SetValue(const std::string& key, ValueNode value) { properties_[key] = std::move(value); }

const ValueNode* ObjectNode::Find(const std::string& key) const {
    auto it = properties_.find(key);
    return it == properties_.end() ? nullptr : &it->second;
}

void ObjectNode::Remove(const std::string& key) { properties_.erase(key); }

void ObjectNode::Merge(const ObjectNode& other) {
    for (const auto& [key, value] : other.properties_) properties_[key] = value;
}

std::string ObjectNode::ToJson() const {
    std::string out;
    WriteJson(out);
    return out;
}

void ObjectNode::WriteJson(std::string& out) const {
    out += '{';
    bool first = true;
    for (const auto& [key, value] : properties_) {
        if (!first) out += ',';
        first = false;
        // Keys pass the key rule before they get here, so they need no escaping.
        out += '"';
        out += key;
        out += "\":";
        value.WriteJson(out);
    }
    out += '}';
}

void WriteJsonString(const std::string& text, std::string& out) {
    out += '"';
    for (char c : text) {
        switch (c) {
            case '\b': out += "\\b"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\f': out += "\\f"; break;
            case '\r': out += "\\r"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default: out += c;
        }
    }
    out += '"';
}

}  // namespace event_collector::utils
