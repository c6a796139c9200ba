#include "UsageTrackerWrapper.h"

#include <iostream>
#include <utility>

namespace tessavon::tracking {

UsageTrackerWrapper::UsageTrackerWrapper(std::unique_ptr<UsageTracker> inner) : inner_(std::move(inner)) {}

UsageTrackerWrapper::~UsageTrackerWrapper() = default;

template <typename Call>
void UsageTrackerWrapper::Guarded(const char* operation, Call&& call) noexcept {
    try {
        call();
    } catch (...) {
        try {
            if (inner_->getLogger() != nullptr) std::cout << "Failed to " << operation << std::endl;
        } catch (...) {
            // The console is best effort; a report must not fail because of it.
        }
    }
}

void UsageTrackerWrapper::trackActivity(const QxContextProperties& context) {
    Guarded("trackActivity", [&] { inner_->trackActivity(context); });
}
void UsageTrackerWrapper::trackLaunch(const QxContextProperties& context) {
    Guarded("trackLaunch", [&] { inner_->trackLaunch(context); });
}
void UsageTrackerWrapper::trackLogin(const QxEventLogin& user, bool success, const std::string& reason,
                                     const QxContextProperties& context) {
    Guarded("trackLogin", [&] { inner_->trackLogin(user, success, reason, context); });
}
void UsageTrackerWrapper::trackClick(const QxEventClick& event, const QxContextProperties& context) {
    Guarded("trackClick", [&] { inner_->trackClick(event, context); });
}
void UsageTrackerWrapper::trackView(const QxEventView& event, const QxContextProperties& context) {
    Guarded("trackView", [&] { inner_->trackView(event, context); });
}
void UsageTrackerWrapper::trackCashier(const QxEventCashier& event, const QxContextProperties& context) {
    Guarded("trackCashier", [&] { inner_->trackCashier(event, context); });
}
void UsageTrackerWrapper::trackShare(const QxEventShare& event, const QxContextProperties& context) {
    Guarded("trackShare", [&] { inner_->trackShare(event, context); });
}
void UsageTrackerWrapper::trackTask(const QxEventTask& event, const QxContextProperties& context) {
    Guarded("trackTask", [&] { inner_->trackTask(event, context); });
}
void UsageTrackerWrapper::trackFile(const QxEventFile& event, const QxContextProperties& context) {
    Guarded("trackFile", [&] { inner_->trackFile(event, context); });
}
void UsageTrackerWrapper::trackOrder(const QxEventOrder& event, const QxContextProperties& context) {
    Guarded("trackOrder", [&] { inner_->trackOrder(event, context); });
}
void UsageTrackerWrapper::trackPayment(const QxEventPayment& event, const QxContextProperties& context) {
    Guarded("trackPayment", [&] { inner_->trackPayment(event, context); });
}
void UsageTrackerWrapper::trackUninstall(const std::string& reason, const QxContextProperties& context) {
    Guarded("trackUninstall", [&] { inner_->trackUninstall(reason, context); });
}
void UsageTrackerWrapper::trackCrash(const std::string& reason) {
    Guarded("trackCrash", [&] { inner_->trackCrash(reason); });
}
void UsageTrackerWrapper::trackUpdate(const QxEventUpdate& event, const QxContextProperties& context) {
    Guarded("trackUpdate", [&] { inner_->trackUpdate(event, context); });
}
void UsageTrackerWrapper::trackAppOpenNotification(const AppOpenNotification* notification,
                                                   const QxContextProperties& context) {
    Guarded("trackAppOpenNotification", [&] { inner_->trackAppOpenNotification(notification, context); });
}

void UsageTrackerWrapper::setLocale(const std::string& locale) { inner_->setLocale(locale); }

}  // namespace tessavon::tracking
