#pragma once
// Free and total space of the file system that holds a folder.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct DiskSpace {
    std::uint64_t free_for_caller;  // what an unprivileged user may still use
    std::uint64_t total;
    std::uint64_t total_free;  // including space reserved for root
};

// Asks about the folder, or its nearest existing ancestor when it does not
// exist yet (the install folder is checked before it is created). Empty on
// failure, with the system error number in `error` when given.
std::optional<DiskSpace> GetDiskSpace(const std::string& folder, int* error = nullptr);

}  // namespace platform
