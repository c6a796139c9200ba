#pragma once
#include <cstdint>

namespace tessavon::tracking {

struct QxLocationTime {
    // Now, in milliseconds since 1970-01-01 UTC, from the system clock.
    static std::int64_t GetTrackTime();
};

}  // namespace tessavon::tracking
