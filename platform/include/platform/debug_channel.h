#pragma once
// The debugger output channel: where diagnostic records go.
//
// QUORVANE_DEBUG_OUTPUT names the destination: a file path (appended to), or
// "fd:N" for an already open descriptor. Unset: the system log at debug priority.
// Never the user's terminal unless asked for ("fd:2").
#include <string_view>

namespace platform {

// Hands one complete record to the channel in a single write, so records from
// different threads never interleave. Never fails towards the caller.
void WriteDebugRecord(std::string_view record);

}  // namespace platform
