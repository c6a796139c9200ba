#include "platform/process_snapshot.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string_view>

namespace platform {
namespace {

std::string BaseName(std::string_view path) {
    auto slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExecutableName(const std::string& folder) {
    char target[4096];
    ssize_t n = ::readlink((folder + "/exe").c_str(), target, sizeof target - 1);
    if (n > 0) {
        std::string_view path(target, static_cast<std::size_t>(n));
        // A program whose file was replaced or removed while it runs is still that program.
        constexpr std::string_view kDeleted = " (deleted)";
        if (path.size() > kDeleted.size() && path.substr(path.size() - kDeleted.size()) == kDeleted)
            path.remove_suffix(kDeleted.size());
        return BaseName(path);
    }
    std::ifstream command_line(folder + "/cmdline", std::ios::binary);
    std::string first_argument;
    std::getline(command_line, first_argument, '\0');
    return BaseName(first_argument);
}

}  // namespace

std::optional<std::vector<ProcessEntry>> SnapshotProcesses() {
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return std::nullopt;
    std::vector<ProcessEntry> entries;
    while (dirent* item = ::readdir(proc)) {
        char* end = nullptr;
        unsigned long id = std::strtoul(item->d_name, &end, 10);
        if (end == item->d_name || *end != '\0') continue;
        // Kernel threads have neither an executable nor arguments: they drop out here.
        std::string name = ExecutableName(std::string("/proc/") + item->d_name);
        if (!name.empty()) entries.push_back({static_cast<std::uint32_t>(id), std::move(name)});
    }
    ::closedir(proc);
    return entries;
}

}  // namespace platform
