#pragma once
// Property values and JSON objects of the event-collection client.
// A value is one of seven kinds; an ObjectNode maps keys to values and always
// writes its keys in ascending byte order, so the JSON it produces is stable.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace event_collector::utils {

class ObjectNode;

// A point in time: seconds since 1970 plus milliseconds, written as local time.
struct DateTime {
    std::int64_t seconds = 0;
    int milliseconds = 0;
};

class ValueNode {
public:
    // The tag of each kind; the order is the order of the variant below.
    enum class Type { Number = 0, Int = 1, String = 2, List = 3, DateTime = 4, Bool = 5, Object = 6 };

    ValueNode() = default;  // an integer 0
    static ValueNode Number(double value);
    static ValueNode Int(std::int64_t value);
    static ValueNode String(std::string value);
    static ValueNode List(std::vector<std::string> value);
    static ValueNode Time(std::int64_t seconds, int milliseconds);
    static ValueNode Bool(bool value);
    static ValueNode Object(const ObjectNode& value);

    Type type() const { return static_cast<Type>(value_.index()); }
    double AsNumber() const { return std::get<0>(value_); }
    std::int64_t AsInt() const { return std::get<1>(value_); }
    const std::string& AsString() const { return std::get<2>(value_); }
    const std::vector<std::string>& AsList() const { return std::get<3>(value_); }
    const DateTime& AsDateTime() const { return std::get<4>(value_); }
    bool AsBool() const { return std::get<5>(value_); }
    const ObjectNode& AsObject() const { return *std::get<6>(value_); }

    // Appends the JSON form of the value to `out`.
    void WriteJson(std::string& out) const;

private:
    // Nested objects are immutable once stored, so copies may share them.
    using Storage = std::variant<double, std::int64_t, std::string, std::vector<std::string>, DateTime, bool,
                                 std::shared_ptr<const ObjectNode>>;
    Storage value_ = std::int64_t{0};
};

class ObjectNode {
public:
    using Map = std::map<std::string, ValueNode>;  // std::string orders keys by unsigned byte value

    ObjectNode() = default;
    ObjectNode(const ObjectNode&) = default;
    ObjectNode& operator=(const ObjectNode&) = default;
    ObjectNode(ObjectNode&&) = default;
    ObjectNode& operator=(ObjectNode&&) = default;

    // Stores a copy of `value` as a nested object.
    virtual void SetObject(const std::string& key, const ObjectNode& value);
    virtual ~ObjectNode() = default;

    // Stores any value unchecked (record building uses it; callers use the
    // checked setters of PropertiesNode).
    void SetValue(const std::string& key, ValueNode value);
    const ValueNode* Find(const std::string& key) const;
    void Remove(const std::string& key);
    bool Empty() const { return properties_.empty(); }
    std::size_t Size() const { return properties_.size(); }
    const Map& Values() const { return properties_; }

    // Copies every value of `other` over this one (a key already present is replaced).
    void Merge(const ObjectNode& other);

    // The object as JSON: keys in ascending byte order, no white space.
    std::string ToJson() const;
    void WriteJson(std::string& out) const;

protected:
    Map properties_;
};

// Appends `text` quoted; escapes \b \t \n \f \r " and \ and nothing else.
void WriteJsonString(const std::string& text, std::string& out);

}  // namespace event_collector::utils
