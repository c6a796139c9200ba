#include "utils/HardDiskManager.h"

#include "platform/disk_space.h"
#include "utils/DiagLog.h"

namespace Utils {

bool HardDiskManager::CheckFreeSpace(const std::string& directory) {
    int error = 0;
    auto space = platform::GetDiskSpace(directory, &error);
    if (!space) {
        DIAG_LOG("HardDiskManager::CheckFreeSpace FAIL code=%ld\r\n", static_cast<long>(error));
        return false;
    }
    free_bytes_available_ = space->free_for_caller;
    total_bytes_ = space->total;
    total_free_bytes_ = space->total_free;
    return true;
}

}  // namespace Utils
