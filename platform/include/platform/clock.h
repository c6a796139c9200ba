#pragma once
// Wall-clock and tick-counter readings.
#include <cstdint>

namespace platform {

struct LocalTime {
    int year, month, day, hour, minute, second, millisecond;  // month 1-12, hour 0-23
};

// The local wall-clock time now (the process's time zone).
LocalTime LocalTimeNow();

// Milliseconds since an arbitrary start, wrapping at 2^32 like the system tick
// counter: callers subtract with unsigned 32-bit arithmetic.
std::uint32_t TickCount32();

}  // namespace platform
