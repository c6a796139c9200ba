#include "platform/debug_channel.h"

#include <fcntl.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {
namespace {

// Resolved once: the destination does not change during a run.
int destination_fd() {
    static const int fd = [] {
        const char* target = std::getenv("QUORVANE_DEBUG_OUTPUT");
        if (target == nullptr || *target == '\0') return -1;
        if (std::strncmp(target, "fd:", 3) == 0) return std::atoi(target + 3);
        return ::open(target, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    }();
    return fd;
}

}  // namespace

void WriteDebugRecord(std::string_view record) {
    int fd = destination_fd();
    if (fd >= 0) {
        // O_APPEND + one write(2) per record keeps records whole even across processes.
        ssize_t ignored = ::write(fd, record.data(), record.size());
        (void)ignored;
        return;
    }
    std::string line(record);
    ::syslog(LOG_USER | LOG_DEBUG, "%s", line.c_str());
}

}  // namespace platform
