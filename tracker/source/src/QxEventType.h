#pragma once
// The kinds of usage report; indexes the context properties of each kind.
#include <cstdint>

namespace tessavon::tracking {

enum class QxEventType : std::int32_t {
    Activity = 0,
    PaLaunchPal = 1,
    Login = 2,
    Click = 3,
    View = 4,
    Cashier = 5,
    Share = 6,
    Task = 7,
    File = 8,
    Order = 9,
    Payment = 10,
    Uninstall = 11,
    Update = 12,
    Crashed = 13,
    AppOpenNotification = 14,
};

inline constexpr std::int32_t kQxEventTypeCount = 15;

// The kind as the 32-bit value the context properties are indexed by.
constexpr std::int32_t KindValue(QxEventType kind) { return static_cast<std::int32_t>(kind); }

}  // namespace tessavon::tracking
