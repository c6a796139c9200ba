#pragma once
// The face of the analytics layer: one operation per kind of usage report.
// Report operations raise QxException on a rejected record or a failure of
// the tracker; callers reach the tracker through UsageTrackerWrapper, which
// silences every failure, so reporting never disturbs the program.
#include <string>

#include "QxContextProperties.h"
#include "QxEvents.h"
#include "TrackLogger.h"

namespace tessavon::tracking {

class UsageTracker {
public:
    virtual ~UsageTracker() = default;

    virtual void trackActivity(const QxContextProperties& context) = 0;
    virtual void trackLaunch(const QxContextProperties& context) = 0;
    virtual void trackLogin(const QxEventLogin& user, bool success, const std::string& reason,
                            const QxContextProperties& context) = 0;
    virtual void trackClick(const QxEventClick& event, const QxContextProperties& context) = 0;
    virtual void trackView(const QxEventView& event, const QxContextProperties& context) = 0;
    virtual void trackCashier(const QxEventCashier& event, const QxContextProperties& context) = 0;
    virtual void trackShare(const QxEventShare& event, const QxContextProperties& context) = 0;
    virtual void trackTask(const QxEventTask& event, const QxContextProperties& context) = 0;
    virtual void trackFile(const QxEventFile& event, const QxContextProperties& context) = 0;
    virtual void trackOrder(const QxEventOrder& event, const QxContextProperties& context) = 0;
    virtual void trackPayment(const QxEventPayment& event, const QxContextProperties& context) = 0;
    virtual void trackUninstall(const std::string& reason, const QxContextProperties& context) = 0;
    virtual void trackCrash(const std::string& reason) = 0;
    virtual void trackUpdate(const QxEventUpdate& event, const QxContextProperties& context) = 0;
    virtual void trackAppOpenNotification(const AppOpenNotification* notification,
                                          const QxContextProperties& context) = 0;
    // Locale of the form language "_" country, e.g. "en_US".
    virtual void setLocale(const std::string& locale) = 0;
    // The log sink, or null while the tracker has none.
    virtual TrackLogger* getLogger() = 0;
};

}  // namespace tessavon::tracking
