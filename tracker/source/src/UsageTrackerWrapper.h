#pragma once
// The tracker every caller gets: forwards each report to the inner tracker it
// owns and swallows whatever the report raises. When the inner tracker has a
// log sink, a failure leaves one line "Failed to <operation>" on standard
// output; nothing else is recorded and the caller cannot tell.
#include <memory>

#include "UsageTracker.h"

namespace tessavon::tracking {

class UsageTrackerWrapper : public UsageTracker {
public:
    explicit UsageTrackerWrapper(std::unique_ptr<UsageTracker> inner);
    ~UsageTrackerWrapper() override;

    void trackActivity(const QxContextProperties& context) override;
    void trackLaunch(const QxContextProperties& context) override;
    void trackLogin(const QxEventLogin& user, bool success, const std::string& reason,
                    const QxContextProperties& context) override;
    void trackClick(const QxEventClick& event, const QxContextProperties& context) override;
    void trackView(const QxEventView& event, const QxContextProperties& context) override;
    void trackCashier(const QxEventCashier& event, const QxContextProperties& context) override;
    void trackShare(const QxEventShare& event, const QxContextProperties& context) override;
    void trackTask(const QxEventTask& event, const QxContextProperties& context) override;
    void trackFile(const QxEventFile& event, const QxContextProperties& context) override;
    void trackOrder(const QxEventOrder& event, const QxContextProperties& context) override;
    void trackPayment(const QxEventPayment& event, const QxContextProperties& context) override;
    void trackUninstall(const std::string& reason, const QxContextProperties& context) override;
    void trackCrash(const std::string& reason) override;
    void trackUpdate(const QxEventUpdate& event, const QxContextProperties& context) override;
    void trackAppOpenNotification(const AppOpenNotification* notification,
                                  const QxContextProperties& context) override;
    void setLocale(const std::string& locale) override;
    // Callers outside the layer never get at the inner tracker's log.
    TrackLogger* getLogger() override { return nullptr; }

private:
    template <typename Call>
    void Guarded(const char* operation, Call&& call) noexcept;

    std::unique_ptr<UsageTracker> inner_;
};

}  // namespace tessavon::tracking
