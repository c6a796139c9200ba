#pragma once
// The free and total space of the disk that holds a folder.
#include <cstdint>
#include <string>

namespace Utils {

class HardDiskManager {
public:
    virtual ~HardDiskManager() = default;

    // Asks for the space of the disk holding `directory` (or its nearest
    // existing ancestor) and stores the three counts. On failure logs
    // "HardDiskManager::CheckFreeSpace FAIL code=<error>" and returns false,
    // leaving the counts as they were.
    bool CheckFreeSpace(const std::string& directory);

    std::uint64_t FreeBytesAvailable() const { return free_bytes_available_; }
    std::uint64_t TotalBytes() const { return total_bytes_; }
    std::uint64_t TotalFreeBytes() const { return total_free_bytes_; }

private:
    std::uint64_t free_bytes_available_ = 0;
    std::uint64_t total_bytes_ = 0;
    std::uint64_t total_free_bytes_ = 0;
};

}  // namespace Utils
