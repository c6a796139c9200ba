#include "utils/Stopwatch.h"

#include "platform/clock.h"

namespace Utils {

Stopwatch::Stopwatch(TickSource ticks) : ticks_(ticks != nullptr ? ticks : &platform::TickCount32) {}

void Stopwatch::Start() {
    start_tick_ = ticks_();
    started_ = true;
}

float Stopwatch::elapsed() const {
    if (!started_) return 0.0f;
    std::uint32_t passed = ticks_() - start_tick_;
    return static_cast<float>(passed) / 1000.0f;
}

}  // namespace Utils
