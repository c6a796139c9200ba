#include "platform/pipe.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

// Keeps pipe ends off 0, 1 and 2 (possible when the parent closed its own
// standard streams), so that handing them to a child as its standard streams
// can never overwrite one end with another.
int MoveAboveStandardStreams(int fd) {
    if (fd > 2) return fd;
    int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

}  // namespace

std::optional<PipeEnds> CreatePipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    int read_end = MoveAboveStandardStreams(fds[0]);
    int write_end = MoveAboveStandardStreams(fds[1]);
    if (read_end < 0 || write_end < 0) {
        if (read_end >= 0) ::close(read_end);
        if (write_end >= 0) ::close(write_end);
        return std::nullopt;
    }
    return PipeEnds{read_end, write_end};
}

void CloseFileHandle(FileHandle& handle) {
    if (handle == kNullFileHandle) return;
    // Linux releases the descriptor even when close reports EINTR: never retry.
    ::close(static_cast<int>(handle));
    handle = kNullFileHandle;
}

std::optional<std::size_t> ReadFromPipe(FileHandle handle, void* buffer, std::size_t size) {
    for (;;) {
        ssize_t n = ::read(static_cast<int>(handle), buffer, size);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) return std::nullopt;
    }
}

std::optional<std::size_t> PipeBytesAvailable(FileHandle handle) {
    int available = 0;
    if (::ioctl(static_cast<int>(handle), FIONREAD, &available) != 0) return std::nullopt;
    return static_cast<std::size_t>(available);
}

bool WriteToPipe(FileHandle handle, const void* data, std::size_t size) {
    // A reader that went away must fail the write, not kill the process.
    static const bool ignore_sigpipe = [] {
        ::signal(SIGPIPE, SIG_IGN);
        return true;
    }();
    (void)ignore_sigpipe;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(static_cast<int>(handle), bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace platform
