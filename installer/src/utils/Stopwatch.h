#pragma once
// Seconds since Start, from the 32-bit millisecond tick counter. Unsigned
// subtraction keeps the answer right across a wrap of the counter (every
// 49.7 days). One thread uses a stopwatch.
#include <cstdint>

namespace Utils {

class Stopwatch {
public:
    using TickSource = std::uint32_t (*)();

    // `ticks` is replaceable for tests; the default is the system tick counter.
    explicit Stopwatch(TickSource ticks = nullptr);

    void Start();
    void Reset() { started_ = false; }
    bool IsStarted() const { return started_; }
    // 0 when not started.
    float elapsed() const;

private:
    TickSource ticks_;
    std::uint32_t start_tick_ = 0;
    bool started_ = false;
};

}  // namespace Utils
