#include "QxEnums.h"

#include <array>
#include <string_view>

#include "QxException.h"

namespace tessavon::tracking {
namespace {

// Looks the value up in its table of wire strings; anything outside the table
// raises "<prefix><n><suffix>" with n the decimal value.
template <typename Enum, std::size_t N>
std::string WireName(Enum value, const std::array<std::string_view, N>& names, std::string_view function,
                     std::string_view prefix, std::string_view suffix = "]!") {
    const auto n = static_cast<std::int32_t>(value);
    if (n >= 0 && static_cast<std::size_t>(n) < N) return std::string(names[static_cast<std::size_t>(n)]);
    QX_THROW("UsageTrackerImpl", std::string(function),
             std::string(prefix) + std::to_string(n) + std::string(suffix));
}

}  // namespace

std::string toString(QxResult value) {
    static constexpr std::array<std::string_view, 4> names{"Success", "Cancelled", "Fail", "Unknown"};
    return WireName(value, names, "toString", "Unknown task result [");
}

std::string toString(ClickType value) {
    static constexpr std::array<std::string_view, 5> names{"Button", "Banner", "Tutorial", "File", "Others"};
    return WireName(value, names, "toString", "Unknown ClickType [");
}

std::string toString(QxUserType value) {
    static constexpr std::array<std::string_view, 12> names{
        "unknown", "mobilephone", "email",          "weixin", "qq",       "deviceid",
        "baidu",   "huawei",      "apple",          "tessavonuserid", "google", "facebook"};
    return WireName(value, names, "userType", "Unknown user type [");
}

std::string toString(QxIoType value) {
    const auto n = static_cast<std::int32_t>(value);
    if (n == 0) return "Input";
    if (n == 1) return "Output";
    QX_THROW("UsageTrackerImpl", "toString", "the io type is invalid");
}

std::string toString(QxCurrency value) {
    static constexpr std::array<std::string_view, 11> names{"CNY", "USD", "EUR", "HKD", "TWD", "MOP",
                                                             "SGD", "JPY", "KRW", "INR", "GBP"};
    return WireName(value, names, "toString", "Unknown currency [");
}

std::string toString(QxPaidPlatform value) {
    static constexpr std::array<std::string_view, 10> names{"Alipay",    "WeChatPay", "PayPal",   "Tenpay",
                                                            "CIECC",     "GooglePay", "HuaweiPay", "AppleIAP",
                                                            "Paddle",    "ChinaUnionPay"};
    return WireName(value, names, "toString", "Unknown paid platform [");
}

std::string toString(QxIapType value) {
    static constexpr std::array<std::string_view, 4> names{"Consumable", "NonConsumable", "AutoRenewable",
                                                           "NonRenewable"};
    return WireName(value, names, "toString", "Unknown qxIapType [");
}

std::string toString(QxUpdateOp value) {
    static constexpr std::array<std::string_view, 5> names{"UpdateCheck", "DownloadStart", "DownloadEnd",
                                                           "UpgrateStart", "UpgrateEnd"};
    return WireName(value, names, "toString", "Unknown QxUpdateOp [");
}

std::string toString(QxUpdateResult value) {
    static constexpr std::array<std::string_view, 6> names{"Success", "Cancelled", "Timeout",
                                                           "Fail",    "Latest",    "Updateable"};
    return WireName(value, names, "toString", "Unknown QxUpdateResult [");
}

std::string toString(QxEdition value) {
    static constexpr std::array<std::string_view, 2> names{"china", "overseas"};
    return WireName(value, names, "toString", "Unknown edition [");
}

}  // namespace tessavon::tracking
