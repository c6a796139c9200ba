#include "QxEventProperties.h"

#include <cstdio>

#include "QxException.h"
#include "QxText.h"

namespace tessavon::tracking {
namespace {

constexpr const char* kFile = "UsageTrackerImpl";

void SetText(PropertiesNode& props, const std::string& key, const std::string& value) {
    props.SetString(key, ToUtf8Text(value));
}

void SetTextIfGiven(PropertiesNode& props, const std::string& key, const std::string& value) {
    if (!value.empty()) SetText(props, key, value);
}

// Identifiers the collector matches byte for byte are never re-encoded.
void SetRawIfGiven(PropertiesNode& props, const std::string& key, const std::string& value) {
    if (!value.empty()) props.SetString(key, value);
}

void SetIntIfGiven(PropertiesNode& props, const std::string& key, const QxOptional<std::int32_t>& value) {
    if (value) props.SetNumber(key, static_cast<std::int64_t>(*value));
}

void SetDoubleIfGiven(PropertiesNode& props, const std::string& key, const QxOptional<float>& value) {
    if (value) props.SetNumber(key, static_cast<double>(*value));
}

void SetDoubleIfPositive(PropertiesNode& props, const std::string& key, float value) {
    if (value > 0) props.SetNumber(key, static_cast<double>(value));
}

void MarkFirstTime(PropertiesNode& props) { props.SetBool("$is_first_time", true); }

// Tasks and files report only a settled outcome; Unknown (or garbage) is
// left out rather than rejected.
bool IsSettled(const QxOptional<QxResult>& result) {
    return result && (*result == QxResult::Success || *result == QxResult::Cancelled || *result == QxResult::Fail);
}

// Orders and payments end alike: amounts in the user's currency when known,
// the cashier page the purchase came from.
template <typename Purchase>
void SetPurchaseTail(PropertiesNode& props, const Purchase& event) {
    SetDoubleIfPositive(props, "qx_cur_original_amount", event.curOriginalAmount);
    SetDoubleIfPositive(props, "qx_cur_paid_amount", event.curPaidAmount);
    SetTextIfGiven(props, "qx_cashier_name", event.cashierName);
    SetTextIfGiven(props, "qx_cashier_title", event.cashierTitle);
    MarkFirstTime(props);
}

std::string AmountText(float amount) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%f", static_cast<double>(amount));
    return buffer;
}

}  // namespace

PropertiesNode ClickProperties(const QxEventClick& event) {
    if (event.name.empty()) QX_THROW(kFile, "trackClick", "qxEventClick.name is empty");
    PropertiesNode props;
    SetText(props, "qx_name", event.name);
    props.SetString("qx_click_type", toString(event.clickType));
    SetTextIfGiven(props, "qx_aname", event.aname);
    SetTextIfGiven(props, "qx_title", event.title);
    SetTextIfGiven(props, "qx_position", event.position);
    SetTextIfGiven(props, "qx_module", event.module);
    SetTextIfGiven(props, "qx_tab_name", event.tabName);
    SetIntIfGiven(props, "qx_tab_index", event.tabIndex);
    SetTextIfGiven(props, "qx_banner_name", event.bannerName);
    SetIntIfGiven(props, "qx_banner_index", event.bannerIndex);
    MarkFirstTime(props);
    return props;
}

PropertiesNode ViewProperties(const QxEventView& event) {
    if (event.name.empty()) QX_THROW(kFile, "trackView", "qxEventView.name is empty");
    PropertiesNode props;
    SetText(props, "qx_name", event.name);
    SetTextIfGiven(props, "qx_aname", event.aname);
    SetTextIfGiven(props, "qx_title", event.title);
    SetTextIfGiven(props, "qx_position", event.position);
    MarkFirstTime(props);
    return props;
}

PropertiesNode CashierProperties(const QxEventCashier& event) {
    if (event.qx_cashier_name.empty())
        QX_THROW(kFile, "trackCashier", "qxEventCashier.qx_cashier_name is empty");
    PropertiesNode props;
    SetText(props, "qx_cashier_name", event.qx_cashier_name);
    SetTextIfGiven(props, "qx_cashier_title", event.title);
    SetTextIfGiven(props, "qx_subitem", event.subitem);
    MarkFirstTime(props);
    return props;
}

PropertiesNode ShareProperties(const QxEventShare& event) {
    PropertiesNode props;
    SetTextIfGiven(props, "qx_aname", event.aname);
    SetTextIfGiven(props, "qx_channel", event.channel);
    SetTextIfGiven(props, "qx_position", event.position);
    SetTextIfGiven(props, "qx_shared_name", event.sharedName);
    if (event.result) props.SetString("qx_result", toString(*event.result));
    MarkFirstTime(props);
    return props;
}

PropertiesNode TaskProperties(const QxEventTask& event) {
    if (event.name.empty()) QX_THROW(kFile, "trackTask", "qxEventTask.name is empty");
    PropertiesNode props;
    SetText(props, "qx_task_name", event.name);
    SetDoubleIfGiven(props, "qx_task_elapsed", event.elapsed);
    if (IsSettled(event.result)) props.SetString("qx_task_result", toString(*event.result));
    SetTextIfGiven(props, "qx_aname", event.aname);
    SetTextIfGiven(props, "qx_reason", event.reason);
    MarkFirstTime(props);
    return props;
}

PropertiesNode FileProperties(const QxEventFile& event) {
    if (event.aname.empty()) QX_THROW(kFile, "trackFile", "qxEventFile.aname is empty");
    PropertiesNode props;
    SetText(props, "qx_aname", event.aname);
    if (event.io) props.SetString("qx_io", toString(*event.io));
    if (IsSettled(event.result)) props.SetString("qx_result", toString(*event.result));
    SetTextIfGiven(props, "qx_name", event.name);
    SetTextIfGiven(props, "qx_ext", event.ext);
    if (event.size && *event.size > 0) props.SetNumber("qx_size", static_cast<double>(*event.size));
    SetIntIfGiven(props, "qx_duration", event.duration);
    SetDoubleIfGiven(props, "qx_fps", event.fps);
    SetDoubleIfGiven(props, "qx_bps", event.bps);
    SetIntIfGiven(props, "qx_width", event.width);
    SetIntIfGiven(props, "qx_height", event.height);
    SetIntIfGiven(props, "qx_depth", event.depth);
    MarkFirstTime(props);
    return props;
}

PropertiesNode OrderProperties(const QxEventOrder& event) {
    if (event.qxSuitId.empty()) QX_THROW(kFile, "trackOrder", "qxEventOrder.qxSuitId is empty");
    if (!event.qxCurrency) QX_THROW(kFile, "trackOrder", "qxEventOrder.qxCurrency is nullptr");
    if (!(event.originalAmount > 0))
        QX_THROW(kFile, "trackOrder", "qxEventOrder.originalAmount is less than zero");
    if (!(event.paidAmount > 0)) QX_THROW(kFile, "trackOrder", "qxEventOrder.paidAmount is less than zero");
    PropertiesNode props;
    SetText(props, "qx_suit_id", event.qxSuitId);
    props.SetString("qx_currency", toString(*event.qxCurrency));
    props.SetNumber("qx_paid_amount", static_cast<double>(event.paidAmount));
    props.SetNumber("qx_original_amount", static_cast<double>(event.originalAmount));
    SetTextIfGiven(props, "qx_order_id", event.orderId);
    SetTextIfGiven(props, "qx_subitem", event.subitem);
    SetTextIfGiven(props, "qx_sku", event.sku);
    SetIntIfGiven(props, "qx_campaign_code", event.campaignCode);
    SetTextIfGiven(props, "qx_voucher_id", event.voucherId);
    SetPurchaseTail(props, event);
    return props;
}

PropertiesNode PaymentProperties(const QxEventPayment& event) {
    if (event.qxOrderId.empty()) QX_THROW(kFile, "trackPayment", "qxEventPayment.qxOrderId is empty");
    if (event.paidAmount < 0)
        QX_THROW(kFile, "trackPayment", "paidAmount = " + AmountText(event.paidAmount) + " is invalid");
    if (event.originalAmount < 0)
        QX_THROW(kFile, "trackPayment", "originalAmount = " + AmountText(event.originalAmount) + " is invalid");
    if (!event.result || (*event.result != QxResult::Success && *event.result != QxResult::Fail))
        QX_THROW(kFile, "trackPayment", "qxEventPayment.result is invalid");
    // A payment without platform or currency cannot be attributed; refuse it
    // like any other incomplete record instead of reading an absent value.
    if (!event.paidPlatform) QX_THROW(kFile, "trackPayment", "qxEventPayment.paidPlatform is nullptr");
    if (!event.qxCurrency) QX_THROW(kFile, "trackPayment", "qxEventPayment.qxCurrency is nullptr");
    const std::string platformName = toString(*event.paidPlatform);
    const std::string currencyName = toString(*event.qxCurrency);

    PropertiesNode props;
    SetText(props, "qx_order_id", event.qxOrderId);
    props.SetString("qx_paid_platform", platformName);
    props.SetString("qx_currency", currencyName);
    props.SetNumber("qx_paid_amount", static_cast<double>(event.paidAmount));
    props.SetNumber("qx_original_amount", static_cast<double>(event.originalAmount));
    props.SetString("qx_result", toString(*event.result));
    SetTextIfGiven(props, "qx_suit_id", event.qxSuitId);
    if (event.qxIapType) props.SetString("qx_iap_type", toString(*event.qxIapType));
    SetTextIfGiven(props, "qx_subitem", event.subitem);
    SetTextIfGiven(props, "qx_sku", event.sku);
    SetTextIfGiven(props, "qx_voucher_id", event.voucherId);
    SetTextIfGiven(props, "qx_used_voucher_id", event.usedVoucherId);
    SetIntIfGiven(props, "qx_campaign_code", event.campaignCode);
    SetPurchaseTail(props, event);
    return props;
}

PropertiesNode UpdateProperties(const QxEventUpdate& event) {
    const std::string op = toString(event.op);
    const std::string result = event.result ? toString(*event.result) : std::string();
    PropertiesNode props;
    props.SetString("qx_update_op", op);
    switch (event.op) {
        case QxUpdateOp::UpdateCheck:
            props.SetString("qx_update_result", result);
            break;
        case QxUpdateOp::DownloadStart:
        case QxUpdateOp::UpgrateStart:
            break;
        case QxUpdateOp::DownloadEnd:
        case QxUpdateOp::UpgrateEnd:
            if (!event.result) QX_THROW(kFile, "trackUpdate", "Unknown updateResultInfo info");
            props.SetString("qx_update_result", result);
            if (!event.elapsed) QX_THROW(kFile, "trackUpdate", "invalid elapsed info");
            props.SetNumber("qx_elapsed", static_cast<double>(*event.elapsed));
            if (event.op == QxUpdateOp::UpgrateEnd) MarkFirstTime(props);
            break;
    }
    return props;
}

PropertiesNode AppOpenNotificationProperties(const AppOpenNotification* event) {
    constexpr const char* kOperation = "trackAppOpenNotification";
    if (event == nullptr) QX_THROW(kFile, kOperation, "&appOpenNotification is nullptr");
    if (event->planID.empty()) QX_THROW(kFile, kOperation, "planID is emptry");
    if (event->planType.empty()) QX_THROW(kFile, kOperation, "planType is emptry");
    if (event->msgTitle.empty()) QX_THROW(kFile, kOperation, "msgTitle is emptry");
    PropertiesNode props;
    SetText(props, "$sf_msg_title", event->msgTitle);
    props.SetString("$sf_plan_id", event->planID);
    props.SetString("$sf_plan_type", event->planType);
    SetTextIfGiven(props, "$sf_msg_content", event->msgContent);
    SetRawIfGiven(props, "$sf_link_url", event->linkUrl);
    SetRawIfGiven(props, "$sf_audience_id", event->audienceId);
    SetRawIfGiven(props, "$sf_plan_strategy_id", event->planStrategyId);
    SetRawIfGiven(props, "$sf_strategy_unit_id", event->strategyUnitId);
    MarkFirstTime(props);
    return props;
}

PropertiesNode LoginProperties(const QxEventLogin& user, bool success, const std::string& reason) {
    PropertiesNode props;
    if (!user.userId.empty()) {
        props.SetString("qx_user_id", user.userId);
        props.SetString("qx_login_id", user.userId);
    }
    props.SetString("qx_type", toString(user.userType));
    props.SetString("qx_result", success ? "Success" : "Fail");
    SetTextIfGiven(props, "qx_reason", reason);
    // Without an account there is no user whose first time this could be.
    if (!user.userId.empty()) MarkFirstTime(props);
    return props;
}

PropertiesNode UninstallProperties(const std::string& reason) {
    PropertiesNode props;
    SetTextIfGiven(props, "qx_uninstall_reason", reason);
    return props;
}

PropertiesNode CrashProperties(const std::string& reason) {
    PropertiesNode props;
    SetTextIfGiven(props, "app_crashed_reason", reason);
    return props;
}

}  // namespace tessavon::tracking
