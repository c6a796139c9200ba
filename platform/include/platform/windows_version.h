#pragma once
// The Windows facts the installer believes it runs on. Linux has no such
// numbers, so the layer reports a fixed, plausible machine (Windows 10 build
// 19045, 64-bit, native 64-bit process) that tests can change by environment:
//   QUORVANE_WINDOWS_VERSION  "major.minor.build" (e.g. "5.1.2600"), or
//                             "unavailable" for a system without the query
//   QUORVANE_WINDOWS_R2       "1": the Server 2003 R2 marker is set
//   QUORVANE_WOW64            "yes", "no", "unavailable" (no such query) or
//                             "fail" (the query fails)
//   QUORVANE_NATIVE_ARCH      processor architecture number (9 x64, 0 x86,
//                             6 Itanium, 12 ARM64)
// Read on every call, so a test may change them between calls. Thread-safe
// as long as nobody changes the environment concurrently.
#include <cstdint>
#include <optional>

namespace platform {

struct WindowsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;  // the low 16 bits of what the system reports
};

// The system's own version numbers; empty when the query is unavailable.
std::optional<WindowsVersion> NtVersionNumbers();

// Whether the system reports the Server 2003 R2 marker.
bool IsServerR2();

enum class Wow64Query { Unavailable, Failed, Native, Emulated };
// Whether this process runs under 32-bit emulation on a 64-bit system.
Wow64Query QueryWow64Process();

constexpr int kArchitectureIntel = 0;
constexpr int kArchitectureIa64 = 6;
constexpr int kArchitectureAmd64 = 9;
constexpr int kArchitectureArm64 = 12;
// The native processor architecture of the system.
int NativeProcessorArchitecture();

}  // namespace platform
