#pragma once
// Whether the machine is on a network and on the internet, in the terms of
// the Windows network-list manager, from GIO's network monitor.
//
// QUORVANE_CONNECTIVITY overrides the monitor, for tests: "full" (internet),
// "limited" (a network, no internet), "portal" (behind a captive portal),
// "none" (disconnected) or "unavailable" (the monitor cannot be reached).
#include <cstdint>
#include <optional>

namespace platform {

// Network-list manager connectivity flags.
inline constexpr std::uint32_t kConnectivityDisconnected = 0x0000;
inline constexpr std::uint32_t kConnectivityIpv4LocalNetwork = 0x0020;
inline constexpr std::uint32_t kConnectivityIpv4Internet = 0x0040;

struct Connectivity {
    std::uint32_t flags;  // 0 when disconnected
    bool internet;        // connected to the internet
};

// Empty when the monitor cannot be reached. Safe from any thread.
std::optional<Connectivity> QueryConnectivity();

}  // namespace platform
