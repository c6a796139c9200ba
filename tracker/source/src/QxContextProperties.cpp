#include "QxContextProperties.h"

#include "QxException.h"

namespace tessavon::tracking {
namespace {

constexpr const char* kFile = "QxContextProperties";
constexpr const char* kAbProperty = "qxc_ab";

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsUpperOrDigit(char c) { return IsUpper(c) || (c >= '0' && c <= '9'); }

void CheckKind(std::int32_t kind, const char* function) {
    // Negative kinds would index before the table just as well as large ones.
    if (kind < 0 || kind >= kQxEventTypeCount)
        QX_THROW(kFile, function, "QxEvent[" + std::to_string(kind) + "] overflow!");
}

}  // namespace

bool QxContextProperties::isValidABValue(const std::string& value) {
    constexpr const char* kFunction = "isValidABValue";
    if (value.empty()) return false;
    if (value.size() >= 4) QX_THROW(kFile, kFunction, "value's length is great than 3.");
    if (!IsUpper(value[0])) QX_THROW(kFile, kFunction, "First char is not in A to Z");
    if (value.size() > 1 && !IsUpperOrDigit(value[1]))
        QX_THROW(kFile, kFunction, "second char is not in A to Z and 0 to 9");
    if (value.size() > 2 && !IsUpperOrDigit(value[2]))
        QX_THROW(kFile, kFunction, "third char is not in A to Z and 0 to 9");
    return true;
}

void QxContextProperties::setProperty(const std::vector<std::int32_t>& kinds, std::string value) {
    const std::string name = kAbProperty;
    if (values_.contains(name)) QX_THROW(kFile, "setProperty", "Property[" + name + "] already exist!");
    auto shared = std::make_shared<const std::string>(std::move(value));
    values_.emplace(name, shared);
    for (std::int32_t kind : kinds) {
        CheckKind(kind, "setProperty");
        kinds_[static_cast<std::size_t>(kind)].push_back(Entry{ValueType::Text, name, shared});
    }
}

const std::vector<QxContextProperties::Entry>& QxContextProperties::getEventProperties(std::int32_t kind) const {
    CheckKind(kind, "getEventProperties");
    return kinds_[static_cast<std::size_t>(kind)];
}

}  // namespace tessavon::tracking
