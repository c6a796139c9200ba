#pragma once
// The working tracker. init() finds the local folder and settings file,
// restores or creates the device's analytics identity, starts the
// process-wide collection client and registers the properties it adds to
// every event. Each report checks its record, sends it with the caller's
// context properties, updates the user's profile where the event calls for
// it, and then flushes at once or leaves the record for the next flush.
//
// Reports may come from several threads at once: the tracker has no worker
// and no lock around reports; `pending` is atomic and the client serialises
// itself. Sign-in, locale changes and saving the settings share one mutex.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "NativeTrackLogger.h"
#include "QxEventType.h"
#include "UsageTracker.h"
#include "UsageTrackerConfig.h"
#include "event_collector/PropertiesNode.h"

namespace tessavon::tracking {

class UsageTrackerImpl : public UsageTracker {
public:
    explicit UsageTrackerImpl(const UsageTrackerConfig& config);
    // Saves the settings, gives unsent records three more chances, shuts the
    // client down and closes the log.
    ~UsageTrackerImpl() override;

    // Raises QxException (function "init") on a missing appName, appVersion
    // or appStore, a refused client start or an unknown edition; the tracker
    // stays as far as it got.
    void init();

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
    TrackLogger* getLogger() override { return logger_.get(); }

    // Where the identity is kept and staged records wait (valid after init).
    std::string settingsFilePath() const;
    std::string stagingFilePath() const;
    std::string distinctId() const;

private:
    struct State;
    using PropertiesNode = event_collector::PropertiesNode;

    void FindSettingsFile();
    void LoadIdentity();
    void SaveSettings();
    PropertiesNode CommonProperties();
    void SetVisitDates();
    void TrackUserLoginProperty(const QxEventLogin& user);

    // Adds the caller's context properties of `kind` (overriding nothing when
    // `first`, everything of the same name otherwise) and hands the event on.
    void Send(const char* eventName, PropertiesNode props, QxEventType kind, const QxContextProperties* context);
    void FlushNow();
    void Defer();

    std::string serverUrl_;
    std::string appName_;
    std::string appVersion_;
    std::string appStore_;
    std::string dlAppId_;
    std::string dlAppVersion_;
    QxEdition edition_;
    std::unique_ptr<NativeTrackLogger> logger_;
    std::unique_ptr<State> state_;
    bool clientStarted_ = false;
};

}  // namespace tessavon::tracking
