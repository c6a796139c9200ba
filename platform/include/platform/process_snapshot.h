#pragma once
// The processes running now, as a Windows process snapshot lists them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct ProcessEntry {
    std::uint32_t id;
    // Base name of the process's executable file (e.g. "Quorvane.exe"), or of
    // its first argument when the executable cannot be read (another user's
    // process). Never the kernel's short name, which is cut at 15 bytes.
    std::string file_name;
};

// Every process whose name can be found, in no particular order. Empty
// optional when the process list cannot be read at all.
std::optional<std::vector<ProcessEntry>> SnapshotProcesses();

}  // namespace platform
