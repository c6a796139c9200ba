#include "platform/disk_space.h"

#include <sys/statvfs.h>

#include <cerrno>
#include <filesystem>

namespace platform {

std::optional<DiskSpace> GetDiskSpace(const std::string& folder, int* error) {
    int ignored = 0;
    int& failure = error != nullptr ? *error : ignored;
    if (folder.empty()) {
        failure = ENOENT;
        return std::nullopt;
    }
    std::error_code absolute_error;
    std::filesystem::path path = std::filesystem::absolute(folder, absolute_error);
    if (absolute_error) {
        failure = absolute_error.value();
        return std::nullopt;
    }
    for (;;) {
        struct statvfs info {};
        if (::statvfs(path.c_str(), &info) == 0) {
            std::uint64_t unit = info.f_frsize != 0 ? info.f_frsize : info.f_bsize;
            return DiskSpace{info.f_bavail * unit, info.f_blocks * unit, info.f_bfree * unit};
        }
        failure = errno;
        // Only a missing folder sends us up to its parent; anything else
        // (no permission, a file in the way) is an answer.
        if (failure != ENOENT || !path.has_relative_path()) return std::nullopt;
        path = path.parent_path();
    }
}

}  // namespace platform
