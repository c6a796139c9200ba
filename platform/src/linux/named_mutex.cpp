#include "platform/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {
namespace {

std::string LockFilePath(const std::string& name) {
    std::string file_name = name;
    for (char& c : file_name) {
        if (c == '/' || c == '\0') c = '_';
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') return std::string(runtime) + "/" + file_name + ".lock";
    // The temp folder is shared between users: keep the user's id in the name
    // so that another user's lock file never blocks (or is blocked by) ours.
    const char* temp = std::getenv("TMPDIR");
    std::string folder = temp != nullptr && *temp != '\0' ? temp : "/tmp";
    return folder + "/" + file_name + "." + std::to_string(::geteuid()) + ".lock";
}

}  // namespace

std::unique_ptr<NamedMutex> NamedMutex::Create(const std::string& name, Outcome* outcome) {
    Outcome ignored;
    Outcome& result = outcome != nullptr ? *outcome : ignored;
    std::string path = LockFilePath(name);
    // Close-on-exec: a child holding an inherited descriptor would keep the
    // lock alive after we are gone.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        result = Outcome::Failed;
        return nullptr;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        result = errno == EWOULDBLOCK ? Outcome::AlreadyExists : Outcome::Failed;
        ::close(fd);
        return nullptr;
    }
    result = Outcome::Created;
    return std::unique_ptr<NamedMutex>(new NamedMutex(fd, std::move(path)));
}

NamedMutex::~NamedMutex() {
    // The file stays: removing it could let a third process lock a fresh file
    // while a second one still waits on the old one.
    ::close(fd_);
}

}  // namespace platform
