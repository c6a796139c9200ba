#include "platform/clock.h"

#include <sys/time.h>
#include <time.h>

namespace platform {

LocalTime LocalTimeNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
            local.tm_min,         local.tm_sec,     static_cast<int>(now.tv_nsec / 1000000)};
}

std::uint32_t TickCount32() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    auto millis = static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(millis);
}

}  // namespace platform
