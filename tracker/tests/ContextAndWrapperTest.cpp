// The A/B group rules, the context property lists and the wrapper's silence.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "QxContextProperties.h"
#include "QxException.h"
#include "UsageTrackerWrapper.h"

namespace tessavon::tracking {
namespace {

TEST(AbGroup, AcceptsUpToThreeUpperCaseLettersOrDigitsAfterALetter) {
    struct Case {
        std::string value;
        bool valid;
        const char* message;  // null when nothing is raised
    };
    const Case cases[] = {
        {"", false, nullptr},
        {"A", true, nullptr},
        {"IN", true, nullptr},
        {"B2C", true, nullptr},
        {"in", false, "First char is not in A to Z"},
        {"1A", false, "First char is not in A to Z"},
        {"Ab", false, "second char is not in A to Z and 0 to 9"},
        {"AB_", false, "third char is not in A to Z and 0 to 9"},
        {"ABCD", false, "value's length is great than 3."},
    };
    for (const Case& c : cases) {
        if (c.message == nullptr) {
            EXPECT_EQ(QxContextProperties::isValidABValue(c.value), c.valid) << c.value;
            continue;
        }
        try {
            QxContextProperties::isValidABValue(c.value);
            ADD_FAILURE() << c.value << " accepted";
        } catch (const QxException& e) {
            EXPECT_EQ(e.message, c.message) << c.value;
            EXPECT_EQ(e.file, "QxContextProperties");
            EXPECT_EQ(e.function, "isValidABValue");
        }
    }
}

TEST(ContextProperties, SecondRegistrationIsRefusedAndFirstValueStays) {
    QxContextProperties context;
    context.setProperty({KindValue(QxEventType::Click), KindValue(QxEventType::View)}, "IN");
    try {
        context.setProperty({KindValue(QxEventType::Click)}, "B");
        FAIL() << "second registration accepted";
    } catch (const QxException& e) {
        EXPECT_EQ(e.message, "Property[qxc_ab] already exist!");
        EXPECT_EQ(e.function, "setProperty");
    }
    const auto& clicks = context.getEventProperties(KindValue(QxEventType::Click));
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].name, "qxc_ab");
    EXPECT_EQ(*clicks[0].value, "IN");
    // One stored value serves every kind it is attached to.
    EXPECT_EQ(clicks[0].value, context.getEventProperties(KindValue(QxEventType::View))[0].value);
    EXPECT_TRUE(context.getEventProperties(KindValue(QxEventType::Task)).empty());
}

TEST(ContextProperties, KindsOutsideTheTableAreRefusedAfterEarlierOnesAttach) {
    QxContextProperties context;
    try {
        context.setProperty({7, 15}, "IN");
        FAIL() << "kind 15 accepted";
    } catch (const QxException& e) {
        EXPECT_EQ(e.message, "QxEvent[15] overflow!");
    }
    EXPECT_EQ(context.getEventProperties(7).size(), 1u);
    for (int kind : {15, -1}) {
        try {
            context.getEventProperties(kind);
            ADD_FAILURE() << kind << " readable";
        } catch (const QxException& e) {
            EXPECT_EQ(e.message, "QxEvent[" + std::to_string(kind) + "] overflow!");
            EXPECT_EQ(e.function, "getEventProperties");
        }
    }
}

// An inner tracker whose every report fails, with or without a log sink.
class FailingTracker : public UsageTracker {
public:
    explicit FailingTracker(TrackLogger* logger) : logger_(logger) {}
    void trackActivity(const QxContextProperties&) override { Fail(); }
    void trackLaunch(const QxContextProperties&) override { throw 42; }
    void trackLogin(const QxEventLogin&, bool, const std::string&, const QxContextProperties&) override { Fail(); }
    void trackClick(const QxEventClick&, const QxContextProperties&) override { Fail(); }
    void trackView(const QxEventView&, const QxContextProperties&) override { Fail(); }
    void trackCashier(const QxEventCashier&, const QxContextProperties&) override { Fail(); }
    void trackShare(const QxEventShare&, const QxContextProperties&) override { Fail(); }
    void trackTask(const QxEventTask&, const QxContextProperties&) override { Fail(); }
    void trackFile(const QxEventFile&, const QxContextProperties&) override { Fail(); }
    void trackOrder(const QxEventOrder&, const QxContextProperties&) override { Fail(); }
    void trackPayment(const QxEventPayment&, const QxContextProperties&) override { Fail(); }
    void trackUninstall(const std::string&, const QxContextProperties&) override { Fail(); }
    void trackCrash(const std::string&) override { throw std::runtime_error("boom"); }
    void trackUpdate(const QxEventUpdate&, const QxContextProperties&) override { Fail(); }
    void trackAppOpenNotification(const AppOpenNotification*, const QxContextProperties&) override { Fail(); }
    void setLocale(const std::string&) override {}
    TrackLogger* getLogger() override { return logger_; }

private:
    static void Fail() { throw QxException("UsageTrackerImpl", "x", 1, "rejected"); }
    TrackLogger* logger_;
};

class NullLogger : public TrackLogger {
    void readRecords(std::vector<TrackLogRecord>&, std::int32_t, std::int32_t) override {}
    void clear() override {}
};

TEST(Wrapper, SilencesEveryFailureAndSpeaksOnlyWithALogSink) {
    NullLogger logger;
    for (TrackLogger* sink : {static_cast<TrackLogger*>(&logger), static_cast<TrackLogger*>(nullptr)}) {
        UsageTrackerWrapper wrapper(std::make_unique<FailingTracker>(sink));
        const QxContextProperties context;
        testing::internal::CaptureStdout();
        wrapper.trackClick({}, context);
        wrapper.trackLaunch(context);
        wrapper.trackCrash("崩溃");
        wrapper.trackAppOpenNotification(nullptr, context);
        const std::string out = testing::internal::GetCapturedStdout();
        if (sink != nullptr) {
            EXPECT_EQ(out,
                      "Failed to trackClick\nFailed to trackLaunch\nFailed to trackCrash\n"
                      "Failed to trackAppOpenNotification\n");
        } else {
            EXPECT_EQ(out, "");
        }
        EXPECT_EQ(wrapper.getLogger(), nullptr);
    }
}

}  // namespace
}  // namespace tessavon::tracking
