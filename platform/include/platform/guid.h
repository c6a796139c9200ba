#pragma once
// Fresh GUIDs: 128 random bits from the kernel in the version-4 layout.
#include <cstdint>

namespace platform {

struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};

// Thread-safe; never fails (falls back to /dev/urandom, then to a
// time-and-address seeded generator, if the kernel call is unavailable).
Guid NewGuid();

}  // namespace platform
