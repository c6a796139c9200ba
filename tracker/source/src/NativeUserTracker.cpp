#include "NativeUserTracker.h"

#include <map>

#include "QxException.h"
#include "event_collector/Sdk.h"

namespace tessavon::tracking {
namespace {

using Operation = NativeUserTracker::Operation;
using event_collector::PropertiesNode;
using event_collector::Sdk;

constexpr const char* kFile = "NativeUserTracker";
// Below this a date is read as seconds: 157789439999 seconds is past the year 6970.
constexpr std::int64_t kLargestSecondsValue = 157789439999;

const std::map<std::string, Operation>& PropertyTable() {
    // A function-local static is built once even when first used by several threads.
    static const std::map<std::string, Operation> table = [] {
        std::map<std::string, Operation> t;
        for (const char* name : {"$first_visit_time", "qx_first_visit_date", "$ios_install_source",
                                 "qx_first_paid_date"})
            t[name] = Operation::SetOnce;
        for (const char* name : {"qx_visit_count", "qx_paid_count", "qx_consumption"}) t[name] = Operation::Increment;
        for (const char* name :
             {"qx_label",          "qx_os",           "qx_os_version",      "qx_manufacturer",     "qx_model",
              "qx_app_store",      "qx_app_platform", "qx_last_app_id",     "qx_last_app_version", "qx_carrier",
              "qx_last_visit_date", "aurora_pushid",  "qx_user_id",         "qx_user_name",        "qx_user_type",
              "qx_user_nickname",  "qx_user_portrait", "qx_user_mobilephone", "qx_user_email",     "qx_user_weixin",
              "qx_user_qq",        "qx_user_did",     "qx_user_created",    "qx_user_last_login",  "qx_user_last_ip",
              "qx_user_vip_level", "qx_user_vip_enddate", "idfa",           "imei",                "android_id",
              "oaid",              "qx_ip",           "qx_country_code",    "qx_country",          "qx_province",
              "qx_city",           "qx_last_paid_date"})
            t[name] = Operation::Set;
        return t;
    }();
    return table;
}

[[noreturn]] void Refuse(const char* function, const std::string& name, const std::string& what) {
    QX_THROW(kFile, function, "user property [" + name + "] " + what);
}

}  // namespace

Operation NativeUserTracker::OperationOf(const std::string& name, const char* function) {
    const auto& table = PropertyTable();
    const auto found = table.find(name);
    if (found == table.end()) QX_THROW(kFile, function, "Not supported user property [" + name + "]!");
    return found->second;
}

void NativeUserTracker::ProfileUserPropertyString(const std::string& name, const std::string& text) {
    constexpr const char* kFunction = "ProfileUserPropertyString";
    switch (OperationOf(name, kFunction)) {
        case Operation::SetOnce: Sdk::ProfileSetOnce(name, text); break;
        case Operation::Set: Sdk::ProfileSet(name, text); break;
        case Operation::Append: Sdk::ProfileAppend(name, text); break;
        case Operation::Increment: Refuse(kFunction, name, "is string type value, it cannot be accumulated!");
    }
}

void NativeUserTracker::ProfileUserPropertyNumber(const std::string& name, std::int32_t value) {
    constexpr const char* kFunction = "ProfileUserPropertyNumber";
    switch (OperationOf(name, kFunction)) {
        case Operation::SetOnce: Sdk::ProfileSetOnce(name, value); break;
        case Operation::Increment: Sdk::ProfileIncrement(name, value); break;
        case Operation::Set: Sdk::ProfileSet(name, value); break;
        case Operation::Append: Refuse(kFunction, name, "is number value, it cannot be append to list!");
    }
}

void NativeUserTracker::ProfileUserPropertyNumber(const std::string& name, double value) {
    constexpr const char* kFunction = "ProfileUserPropertyNumber";
    switch (OperationOf(name, kFunction)) {
        case Operation::SetOnce: Sdk::ProfileSetOnce(name, value); break;
        case Operation::Increment: {
            // The client's one-property increment takes integers only.
            PropertiesNode props;
            props.SetNumber(name, value);
            Sdk::ProfileIncrement(props);
            break;
        }
        case Operation::Set: Sdk::ProfileSet(name, value); break;
        case Operation::Append: Refuse(kFunction, name, "is number value, it cannot be append to list!");
    }
}

void NativeUserTracker::ProfileUserPropertyDateTime(const std::string& name, std::int64_t time) {
    constexpr const char* kFunction = "ProfileUserPropertyDateTime";
    const Operation operation = OperationOf(name, kFunction);
    if (operation == Operation::Increment) Refuse(kFunction, name, "is boolean value, it cannot be accumulative!");
    if (operation == Operation::Append) Refuse(kFunction, name, "is boolean value, it cannot be append to list!");
    std::int64_t seconds = time;
    int milliseconds = 0;
    if (time > kLargestSecondsValue) {
        seconds = time / 1000;
        milliseconds = static_cast<int>(time % 1000);
    }
    PropertiesNode props;
    props.SetDateTime(name, seconds, milliseconds);
    if (operation == Operation::SetOnce)
        Sdk::ProfileSetOnce(props);
    else
        Sdk::ProfileSet(props);
}

}  // namespace tessavon::tracking
