#include "platform/connectivity.h"

#include <gio/gio.h>

#include <cstdlib>
#include <string_view>

namespace platform {
namespace {

std::optional<Connectivity> FromLevel(GNetworkConnectivity level, bool available) {
    if (!available) return Connectivity{kConnectivityDisconnected, false};
    switch (level) {
        case G_NETWORK_CONNECTIVITY_FULL: return Connectivity{kConnectivityIpv4Internet, true};
        case G_NETWORK_CONNECTIVITY_LIMITED:
        case G_NETWORK_CONNECTIVITY_PORTAL: return Connectivity{kConnectivityIpv4LocalNetwork, false};
        case G_NETWORK_CONNECTIVITY_LOCAL: break;
    }
    // "Local" with a network up: a network without a route out.
    return Connectivity{kConnectivityIpv4LocalNetwork, false};
}

}  // namespace

std::optional<Connectivity> QueryConnectivity() {
    if (const char* forced = std::getenv("QUORVANE_CONNECTIVITY")) {
        std::string_view value(forced);
        if (value == "unavailable") return std::nullopt;
        if (value == "none") return FromLevel(G_NETWORK_CONNECTIVITY_LOCAL, false);
        if (value == "limited") return FromLevel(G_NETWORK_CONNECTIVITY_LIMITED, true);
        if (value == "portal") return FromLevel(G_NETWORK_CONNECTIVITY_PORTAL, true);
        if (value == "full") return FromLevel(G_NETWORK_CONNECTIVITY_FULL, true);
    }
    // The default monitor is a process-wide singleton owned by GIO: not unref'd.
    GNetworkMonitor* monitor = g_network_monitor_get_default();
    if (monitor == nullptr) return std::nullopt;
    return FromLevel(g_network_monitor_get_connectivity(monitor), g_network_monitor_get_network_available(monitor));
}

}  // namespace platform
