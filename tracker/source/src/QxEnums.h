#pragma once
// Enumerations whose values travel to the collector as fixed wire strings.
// The enumerator names are the wire strings; toString raises QxException
// (file "UsageTrackerImpl") for a value outside the enumeration, because a
// record carrying such a value must not be sent at all.
#include <cstdint>
#include <string>

namespace tessavon::tracking {

enum class QxResult : std::int32_t { Success, Cancelled, Fail, Unknown };
enum class ClickType : std::int32_t { Button, Banner, Tutorial, File, Others };
enum class QxUserType : std::int32_t {
    unknown, mobilephone, email, weixin, qq, deviceid, baidu, huawei, apple, tessavonuserid, google, facebook
};
enum class QxIoType : std::int32_t { Input, Output };
enum class QxCurrency : std::int32_t { CNY, USD, EUR, HKD, TWD, MOP, SGD, JPY, KRW, INR, GBP };
enum class QxPaidPlatform : std::int32_t {
    Alipay, WeChatPay, PayPal, Tenpay, CIECC, GooglePay, HuaweiPay, AppleIAP, Paddle, ChinaUnionPay
};
enum class QxIapType : std::int32_t { Consumable, NonConsumable, AutoRenewable, NonRenewable };
enum class QxUpdateOp : std::int32_t { UpdateCheck, DownloadStart, DownloadEnd, UpgrateStart, UpgrateEnd };
enum class QxUpdateResult : std::int32_t { Success, Cancelled, Timeout, Fail, Latest, Updateable };
enum class QxEdition : std::int32_t { china, overseas };

std::string toString(QxResult value);
std::string toString(ClickType value);
std::string toString(QxUserType value);
std::string toString(QxIoType value);
std::string toString(QxCurrency value);
std::string toString(QxPaidPlatform value);
std::string toString(QxIapType value);
std::string toString(QxUpdateOp value);
std::string toString(QxUpdateResult value);
std::string toString(QxEdition value);

}  // namespace tessavon::tracking
