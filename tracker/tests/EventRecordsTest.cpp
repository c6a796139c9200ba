// Records' checks and the properties each record becomes.
// Records are written with designated initializers naming only the fields a
// case is about; the rest keep their defaults on purpose.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

#include "QxEnums.h"
#include "QxEventProperties.h"
#include "QxException.h"
#include "QxText.h"
#include "platform/environment.h"

namespace tessavon::tracking {
namespace {

using event_collector::utils::ValueNode;

std::string Text(const PropertiesNode& props, const std::string& key) {
    const ValueNode* value = props.Find(key);
    if (value == nullptr) return "<absent>";
    if (value->type() != ValueNode::Type::String) return "<not a string>";
    return value->AsString();
}

struct Rejection {
    const char* what;
    std::function<void()> build;
    const char* function;
    const char* message;
};

class RecordRejection : public testing::TestWithParam<Rejection> {};

TEST_P(RecordRejection, RaisesBeforeAnythingIsBuilt) {
    const Rejection& c = GetParam();
    try {
        c.build();
        FAIL() << c.what << ": accepted";
    } catch (const QxException& e) {
        EXPECT_EQ(e.file, "UsageTrackerImpl") << c.what;
        EXPECT_EQ(e.function, c.function) << c.what;
        EXPECT_EQ(e.message, c.message) << c.what;
        EXPECT_STREQ(e.what(), c.message) << c.what;
        EXPECT_GT(e.line, 0);
    }
}

QxEventOrder ValidOrder() {
    QxEventOrder o;
    o.qxSuitId = "suit";
    o.qxCurrency = QxGiven(QxCurrency::CNY);
    o.originalAmount = 10;
    o.paidAmount = 8;
    return o;
}

QxEventPayment ValidPayment() {
    QxEventPayment p;
    p.qxOrderId = "order-1";
    p.paidAmount = 8;
    p.originalAmount = 10;
    p.result = QxGiven(QxResult::Success);
    p.paidPlatform = QxGiven(QxPaidPlatform::Alipay);
    p.qxCurrency = QxGiven(QxCurrency::USD);
    return p;
}

AppOpenNotification ValidNotification() {
    AppOpenNotification n;
    n.msgTitle = "title";
    n.planID = "plan";
    n.planType = "type";
    return n;
}

const Rejection kRejections[] = {
    {"click without name, even with a bad type",
     [] { ClickProperties({.name = "", .clickType = static_cast<ClickType>(99)}); }, "trackClick",
     "qxEventClick.name is empty"},
    {"click with unknown type", [] { ClickProperties({.name = "x", .clickType = static_cast<ClickType>(5)}); },
     "toString", "Unknown ClickType [5]!"},
    {"view without name", [] { ViewProperties({}); }, "trackView", "qxEventView.name is empty"},
    {"cashier without name", [] { CashierProperties({}); }, "trackCashier", "qxEventCashier.qx_cashier_name is empty"},
    {"task without name", [] { TaskProperties({.reason = "r"}); }, "trackTask", "qxEventTask.name is empty"},
    {"file without aname", [] { FileProperties({.name = "n"}); }, "trackFile", "qxEventFile.aname is empty"},
    {"file with bad io", [] { FileProperties({.aname = "a", .io = QxGiven(static_cast<QxIoType>(2))}); }, "toString",
     "the io type is invalid"},
    {"order without suit", [] { auto o = ValidOrder(); o.qxSuitId.clear(); OrderProperties(o); }, "trackOrder",
     "qxEventOrder.qxSuitId is empty"},
    {"order without currency", [] { auto o = ValidOrder(); o.qxCurrency.reset(); OrderProperties(o); },
     "trackOrder", "qxEventOrder.qxCurrency is nullptr"},
    {"order with original amount 0", [] { auto o = ValidOrder(); o.originalAmount = 0; OrderProperties(o); },
     "trackOrder", "qxEventOrder.originalAmount is less than zero"},
    {"order with paid amount 0", [] { auto o = ValidOrder(); o.paidAmount = 0; OrderProperties(o); }, "trackOrder",
     "qxEventOrder.paidAmount is less than zero"},
    {"order with unknown currency",
     [] { auto o = ValidOrder(); o.qxCurrency = QxGiven(static_cast<QxCurrency>(11)); OrderProperties(o); },
     "toString", "Unknown currency [11]!"},
    {"payment without order id", [] { auto p = ValidPayment(); p.qxOrderId.clear(); PaymentProperties(p); },
     "trackPayment", "qxEventPayment.qxOrderId is empty"},
    {"payment paid -1", [] { auto p = ValidPayment(); p.paidAmount = -1; PaymentProperties(p); }, "trackPayment",
     "paidAmount = -1.000000 is invalid"},
    {"payment original -2.5", [] { auto p = ValidPayment(); p.originalAmount = -2.5f; PaymentProperties(p); },
     "trackPayment", "originalAmount = -2.500000 is invalid"},
    {"payment cancelled", [] { auto p = ValidPayment(); p.result = QxGiven(QxResult::Cancelled); PaymentProperties(p); },
     "trackPayment", "qxEventPayment.result is invalid"},
    {"payment without result", [] { auto p = ValidPayment(); p.result.reset(); PaymentProperties(p); },
     "trackPayment", "qxEventPayment.result is invalid"},
    {"payment without platform", [] { auto p = ValidPayment(); p.paidPlatform.reset(); PaymentProperties(p); },
     "trackPayment", "qxEventPayment.paidPlatform is nullptr"},
    {"payment without currency", [] { auto p = ValidPayment(); p.qxCurrency.reset(); PaymentProperties(p); },
     "trackPayment", "qxEventPayment.qxCurrency is nullptr"},
    {"payment unknown platform",
     [] { auto p = ValidPayment(); p.paidPlatform = QxGiven(static_cast<QxPaidPlatform>(10)); PaymentProperties(p); },
     "toString", "Unknown paid platform [10]!"},
    {"update with unknown op", [] { UpdateProperties({.op = static_cast<QxUpdateOp>(7)}); }, "toString",
     "Unknown QxUpdateOp [7]!"},
    {"download end without result", [] { UpdateProperties({.op = QxUpdateOp::DownloadEnd}); }, "trackUpdate",
     "Unknown updateResultInfo info"},
    {"download end without elapsed",
     [] { UpdateProperties({.op = QxUpdateOp::DownloadEnd, .result = QxGiven(QxUpdateResult::Success)}); },
     "trackUpdate", "invalid elapsed info"},
    {"notification absent", [] { AppOpenNotificationProperties(nullptr); }, "trackAppOpenNotification",
     "&appOpenNotification is nullptr"},
    {"notification without plan id", [] { auto n = ValidNotification(); n.planID.clear(); AppOpenNotificationProperties(&n); },
     "trackAppOpenNotification", "planID is emptry"},
    {"notification without plan type",
     [] { auto n = ValidNotification(); n.planType.clear(); AppOpenNotificationProperties(&n); },
     "trackAppOpenNotification", "planType is emptry"},
    {"notification without title",
     [] { auto n = ValidNotification(); n.msgTitle.clear(); AppOpenNotificationProperties(&n); },
     "trackAppOpenNotification", "msgTitle is emptry"},
    {"login with unknown user type", [] { LoginProperties({.userType = static_cast<QxUserType>(12)}, true, ""); },
     "userType", "Unknown user type [12]!"},
};

INSTANTIATE_TEST_SUITE_P(Records, RecordRejection, testing::ValuesIn(kRejections));

TEST(EnumWireNames, EveryEnumerationSpellsItsValuesAndRefusesOthers) {
    EXPECT_EQ(toString(QxResult::Cancelled), "Cancelled");
    EXPECT_EQ(toString(ClickType::Others), "Others");
    EXPECT_EQ(toString(QxUserType::tessavonuserid), "tessavonuserid");
    EXPECT_EQ(toString(QxIoType::Output), "Output");
    EXPECT_EQ(toString(QxCurrency::GBP), "GBP");
    EXPECT_EQ(toString(QxPaidPlatform::ChinaUnionPay), "ChinaUnionPay");
    EXPECT_EQ(toString(QxIapType::NonRenewable), "NonRenewable");
    EXPECT_EQ(toString(QxUpdateOp::UpgrateEnd), "UpgrateEnd");
    EXPECT_EQ(toString(QxUpdateResult::Updateable), "Updateable");
    EXPECT_EQ(toString(QxEdition::overseas), "overseas");
    struct Case {
        std::function<void()> convert;
        const char* message;
    };
    const Case refusals[] = {
        {[] { toString(static_cast<QxResult>(-1)); }, "Unknown task result [-1]!"},
        {[] { toString(static_cast<QxIapType>(4)); }, "Unknown qxIapType [4]!"},
        {[] { toString(static_cast<QxUpdateResult>(6)); }, "Unknown QxUpdateResult [6]!"},
        {[] { toString(static_cast<QxEdition>(2)); }, "Unknown edition [2]!"},
    };
    for (const Case& c : refusals) {
        try {
            c.convert();
            ADD_FAILURE() << c.message << " not raised";
        } catch (const QxException& e) {
            EXPECT_EQ(e.message, c.message);
            EXPECT_EQ(e.function, "toString");
        }
    }
}

TEST(RecordProperties, ClickCarriesGivenFieldsAndFirstTime) {
    const auto props = ClickProperties({.name = "立即安装",
                                        .clickType = ClickType::Banner,
                                        .title = "t",
                                        .tabIndex = QxGiven(0),
                                        .bannerIndex = QxGiven(-3)});
    EXPECT_EQ(Text(props, "qx_name"), "立即安装");
    EXPECT_EQ(Text(props, "qx_click_type"), "Banner");
    EXPECT_EQ(Text(props, "qx_title"), "t");
    EXPECT_EQ(props.Find("qx_tab_index")->AsInt(), 0);
    EXPECT_EQ(props.Find("qx_banner_index")->AsInt(), -3);
    EXPECT_TRUE(props.Find("$is_first_time")->AsBool());
    for (const char* absent : {"qx_aname", "qx_position", "qx_module", "qx_tab_name", "qx_banner_name"})
        EXPECT_EQ(props.Find(absent), nullptr) << absent;
}

TEST(RecordProperties, TaskLeavesOutUnsettledResultsButKeepsElapsedZero) {
    struct Case {
        QxOptional<QxResult> result;
        const char* expected;
    };
    const Case cases[] = {{QxGiven(QxResult::Success), "Success"},
                          {QxGiven(QxResult::Fail), "Fail"},
                          {QxGiven(QxResult::Unknown), "<absent>"},
                          {QxGiven(static_cast<QxResult>(42)), "<absent>"},
                          {nullptr, "<absent>"}};
    for (const Case& c : cases) {
        const auto props = TaskProperties({.name = "下载器启动", .elapsed = QxGiven(0.0f), .result = c.result});
        EXPECT_EQ(Text(props, "qx_task_result"), c.expected);
        EXPECT_EQ(props.Find("qx_task_elapsed")->AsNumber(), 0.0);
        EXPECT_EQ(props.Find("qx_reason"), nullptr);
    }
}

TEST(RecordProperties, FileDropsZeroSizeAndNamesItsDirection) {
    const auto props = FileProperties({.aname = "a", .io = QxGiven(QxIoType::Output), .size = QxGiven(0.0f),
                                       .width = QxGiven(640)});
    EXPECT_EQ(Text(props, "qx_io"), "Output");
    EXPECT_EQ(props.Find("qx_size"), nullptr);
    EXPECT_EQ(props.Find("qx_width")->AsInt(), 640);
    const auto sized = FileProperties({.aname = "a", .size = QxGiven(1.5f)});
    EXPECT_EQ(sized.Find("qx_size")->AsNumber(), 1.5);
}

TEST(RecordProperties, PaymentAcceptsZeroPaidAndOmitsNonPositiveCurrentAmounts) {
    auto p = ValidPayment();
    p.paidAmount = 0;
    p.curPaidAmount = 0;
    p.curOriginalAmount = 3;
    p.result = QxGiven(QxResult::Fail);
    const auto props = PaymentProperties(p);
    EXPECT_EQ(props.Find("qx_paid_amount")->AsNumber(), 0.0);
    EXPECT_EQ(Text(props, "qx_result"), "Fail");
    EXPECT_EQ(Text(props, "qx_paid_platform"), "Alipay");
    EXPECT_EQ(Text(props, "qx_currency"), "USD");
    EXPECT_EQ(props.Find("qx_cur_paid_amount"), nullptr);
    EXPECT_EQ(props.Find("qx_cur_original_amount")->AsNumber(), 3.0);
}

TEST(RecordProperties, UpdateResultAndFirstTimeDependOnTheStep) {
    const auto check = UpdateProperties({.op = QxUpdateOp::UpdateCheck});
    EXPECT_EQ(Text(check, "qx_update_result"), "");
    EXPECT_EQ(check.Find("$is_first_time"), nullptr);
    const auto start = UpdateProperties({.op = QxUpdateOp::DownloadStart, .result = QxGiven(QxUpdateResult::Fail)});
    EXPECT_EQ(start.Find("qx_update_result"), nullptr);
    const auto end = UpdateProperties(
        {.op = QxUpdateOp::UpgrateEnd, .result = QxGiven(QxUpdateResult::Latest), .elapsed = QxGiven(2.5f)});
    EXPECT_EQ(Text(end, "qx_update_op"), "UpgrateEnd");
    EXPECT_EQ(Text(end, "qx_update_result"), "Latest");
    EXPECT_EQ(end.Find("qx_elapsed")->AsNumber(), 2.5);
    EXPECT_TRUE(end.Find("$is_first_time")->AsBool());
    const auto downloadEnd = UpdateProperties(
        {.op = QxUpdateOp::DownloadEnd, .result = QxGiven(QxUpdateResult::Success), .elapsed = QxGiven(1.0f)});
    EXPECT_EQ(downloadEnd.Find("$is_first_time"), nullptr);
}

TEST(RecordProperties, LoginWithoutAccountSendsOnlyTypeAndResult) {
    const auto anonymous = LoginProperties({.userType = QxUserType::qq}, false, "");
    EXPECT_EQ(Text(anonymous, "qx_type"), "qq");
    EXPECT_EQ(Text(anonymous, "qx_result"), "Fail");
    for (const char* absent : {"qx_user_id", "qx_login_id", "$is_first_time", "qx_reason"})
        EXPECT_EQ(anonymous.Find(absent), nullptr) << absent;
    const auto account = LoginProperties({.userId = "u-1"}, true, "why");
    EXPECT_EQ(Text(account, "qx_user_id"), "u-1");
    EXPECT_EQ(Text(account, "qx_login_id"), "u-1");
    EXPECT_EQ(Text(account, "qx_result"), "Success");
    EXPECT_EQ(Text(account, "qx_reason"), "why");
    EXPECT_TRUE(account.Find("$is_first_time")->AsBool());
}

TEST(RecordProperties, UninstallAndCrashCarryOnlyTheirReason) {
    const auto crash = CrashProperties("崩溃");
    EXPECT_EQ(Text(crash, "app_crashed_reason"), "崩溃");
    EXPECT_EQ(crash.Size(), 1u);
    EXPECT_TRUE(UninstallProperties("").Empty());
}

// GBK bytes of "中文", as an ANSI program on a Chinese system hands them over
// (not valid UTF-8, so they cannot be mistaken for it).
const std::string kGbkText = "\xD6\xD0\xCE\xC4";

TEST(TextConversion, CodePageTextIsConvertedExceptIdentifiers) {
    platform::ScopedEnvironmentVariable codePage("QUORVANE_ANSI_CODEPAGE", "936");
    EXPECT_EQ(ToUtf8Text(kGbkText), "中文");
    AppOpenNotification n = ValidNotification();
    n.msgTitle = kGbkText;
    n.planID = kGbkText;
    n.linkUrl = kGbkText;
    const auto props = AppOpenNotificationProperties(&n);
    EXPECT_EQ(props.Find("$sf_msg_title")->AsString(), "中文");
    // The plan id is an identifier: handed over byte for byte, never
    // re-encoded, so the client refuses it as a string that is not UTF-8.
    EXPECT_EQ(props.Find("$sf_plan_id"), nullptr);
    EXPECT_EQ(props.Find("$sf_link_url"), nullptr);
    EXPECT_EQ(Text(props, "$sf_plan_type"), "type");
}

TEST(TextConversion, PlainUtf8IsRecognisedStrictly) {
    struct Case {
        std::string text;
        bool plain;
    };
    const Case cases[] = {
        {"", true},
        {"tab\tline\r\n", true},
        {"中文 ü 😀", true},
        {"\x01", false},
        {"\x7F", false},
        {"\xC0\x80", false},          // overlong NUL
        {"\xE0\x9F\xBF", false},      // overlong three-byte form
        {"\xED\xA0\x80", false},      // surrogate
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"\xE4\xB8", false},          // cut off
        {"\xF0\x9F\x98\x80", true},
    };
    for (const Case& c : cases) EXPECT_EQ(IsPlainUtf8(c.text), c.plain) << testing::PrintToString(c.text);
}

}  // namespace
}  // namespace tessavon::tracking
