#pragma once
// The records a caller fills to describe one usage event. Plain values owned by
// the caller and passed by constant reference; the tracker only reads them.
// An optional field is a shared pointer: empty means "not given".
#include <cstdint>
#include <memory>
#include <string>

#include "QxEnums.h"

namespace tessavon::tracking {

template <typename T>
using QxOptional = std::shared_ptr<T>;

// Shorthand for giving an optional field a value.
template <typename T>
QxOptional<T> QxGiven(T value) {
    return std::make_shared<T>(value);
}

// The signed-in user, argument of the login report. Dates are seconds since
// 1970 UTC; values up to 0 mean "no date".
struct QxEventLogin {
    std::string userId;  // empty when the user has no account
    std::string userName;
    QxUserType userType = QxUserType::unknown;
    std::string nickname;
    std::string portrait;
    std::string mobilephone;
    std::string email;
    std::string weixin;
    std::string qq;
    std::string did;
    std::int64_t created = 0;
    std::int64_t lastLogin = 0;
    std::string lastIp;
    std::int32_t vipLevel = 0;
    std::int64_t vipEnddate = 0;
};

struct QxEventClick {
    std::string aname;
    std::string name;
    ClickType clickType = ClickType::Button;
    std::string title;
    std::string module;
    std::string position;
    QxOptional<std::int32_t> tabIndex;
    std::string tabName;
    QxOptional<std::int32_t> bannerIndex;
    std::string bannerName;
};

struct QxEventView {
    std::string aname;
    std::string name;
    std::string title;
    std::string position;
};

struct QxEventCashier {
    std::string qx_cashier_name;
    std::string title;
    std::string subitem;
};

struct QxEventShare {
    std::string aname;
    std::string channel;
    std::string position;
    std::string sharedName;
    QxOptional<QxResult> result;
};

struct QxEventTask {
    std::string aname;
    std::string name;
    std::string reason;
    QxOptional<float> elapsed;  // seconds
    QxOptional<QxResult> result;
};

struct QxEventFile {
    std::string aname;
    std::string name;
    QxOptional<QxIoType> io;
    std::string ext;
    QxOptional<float> size;
    QxOptional<std::int32_t> duration;
    QxOptional<float> fps;
    QxOptional<float> bps;
    QxOptional<std::int32_t> width;
    QxOptional<std::int32_t> height;
    QxOptional<std::int32_t> depth;
    QxOptional<QxResult> result;
};

struct QxEventOrder {
    std::string orderId;
    std::string subitem;
    std::string sku;
    std::string qxSuitId;
    QxOptional<QxCurrency> qxCurrency;
    float originalAmount = 0;
    std::string voucherId;
    float paidAmount = 0;
    std::string cashierName;
    std::string cashierTitle;
    QxOptional<std::int32_t> campaignCode;
    float curOriginalAmount = 0;
    float curPaidAmount = 0;
};

struct QxEventPayment {
    std::string qxOrderId;
    std::string subitem;
    std::string sku;
    QxOptional<QxCurrency> qxCurrency;
    float originalAmount = 0;
    QxOptional<std::int32_t> campaignCode;
    std::string voucherId;
    std::string usedVoucherId;
    float paidAmount = 0;
    std::string qxSuitId;
    std::string cashierName;
    std::string cashierTitle;
    QxOptional<QxPaidPlatform> paidPlatform;
    QxOptional<QxResult> result;
    QxOptional<QxIapType> qxIapType;
    float curOriginalAmount = 0;
    float curPaidAmount = 0;
};

struct QxEventUpdate {
    QxUpdateOp op = QxUpdateOp::UpdateCheck;
    QxOptional<QxUpdateResult> result;
    QxOptional<float> elapsed;
};

struct AppOpenNotification {
    std::string msgTitle;
    std::string msgContent;
    std::string linkUrl;
    std::string planID;
    std::string audienceId;
    std::string planStrategyId;
    std::string planType;
    std::string strategyUnitId;
};

}  // namespace tessavon::tracking
