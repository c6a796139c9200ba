#pragma once
// Checks one record and turns its fields into the properties of its event.
// Each function raises QxException (file "UsageTrackerImpl", function = the
// report operation's name) on the first failed check, before anything is
// sent, so a rejected record leaves no trace. Text fields pass through
// ToUtf8Text except the identifiers that must reach the collector byte for
// byte (account ids, notification plan and link fields).
#include <string>

#include "QxEvents.h"
#include "event_collector/PropertiesNode.h"

namespace tessavon::tracking {

using event_collector::PropertiesNode;

// Event names, one per report.
inline constexpr const char* kEventActivity = "QxEventActivity";
inline constexpr const char* kEventLaunch = "QxEventLaunch";
inline constexpr const char* kEventLogin = "QxEventLogin";
inline constexpr const char* kEventClick = "QxEventClick";
inline constexpr const char* kEventView = "QxEventView";
inline constexpr const char* kEventCashier = "QxEventCashier";
inline constexpr const char* kEventShare = "QxEventShare";
inline constexpr const char* kEventTask = "QxEventTask";
inline constexpr const char* kEventFile = "QxEventFile";
inline constexpr const char* kEventOrder = "QxEventOrder";
inline constexpr const char* kEventPayment = "QxEventPayment";
inline constexpr const char* kEventUninstall = "QxEventUninstall";
inline constexpr const char* kEventCrash = "AppCrashed";
inline constexpr const char* kEventUpdate = "QxEventUpdate";
inline constexpr const char* kEventAppOpenNotification = "AppOpenNotification";

PropertiesNode ClickProperties(const QxEventClick& event);
PropertiesNode ViewProperties(const QxEventView& event);
PropertiesNode CashierProperties(const QxEventCashier& event);
PropertiesNode ShareProperties(const QxEventShare& event);
PropertiesNode TaskProperties(const QxEventTask& event);
PropertiesNode FileProperties(const QxEventFile& event);
PropertiesNode OrderProperties(const QxEventOrder& event);
PropertiesNode PaymentProperties(const QxEventPayment& event);
PropertiesNode UpdateProperties(const QxEventUpdate& event);
PropertiesNode AppOpenNotificationProperties(const AppOpenNotification* event);
PropertiesNode LoginProperties(const QxEventLogin& user, bool success, const std::string& reason);
PropertiesNode UninstallProperties(const std::string& reason);
PropertiesNode CrashProperties(const std::string& reason);

}  // namespace tessavon::tracking
