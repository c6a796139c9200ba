#pragma once
// Identity of the running process and thread, and naming threads for debuggers.
// All functions are thread-safe and never fail towards the caller.
#include <cstdint>
#include <string>

namespace platform {

std::uint32_t CurrentProcessId();
// The kernel's id of the calling thread (what a debugger or `top -H` shows).
std::uint32_t CurrentThreadId();

// Names the calling thread for debuggers. The OS keeps at most 15 bytes; longer
// names are shortened for the OS only (cut on a UTF-8 character boundary).
void SetCurrentThreadName(const std::string& name);
// The OS's name of the calling thread (at most 15 bytes).
std::string CurrentThreadName();

}  // namespace platform
