#pragma once
// A named mutex shared by every process of the user: an advisory lock on a
// file named after the mutex in $XDG_RUNTIME_DIR (or the temp folder when that
// is unset). The lock belongs to this object's open file; it is released when
// the object is destroyed or the process ends, however it ends, and it is not
// inherited by child processes.
#include <memory>
#include <string>

namespace platform {

class NamedMutex {
public:
    enum class Outcome {
        Created,        // this object now holds the mutex
        AlreadyExists,  // another holder (any process, or another object here) has it
        Failed,         // the lock file could not be opened or locked
    };

    // Creates the mutex owned by the caller. Returns null unless the outcome
    // is Created. Names may contain any character; '/' is replaced for the
    // file name.
    static std::unique_ptr<NamedMutex> Create(const std::string& name, Outcome* outcome = nullptr);

    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // The lock file (for diagnostics and tests).
    const std::string& Path() const { return path_; }

private:
    NamedMutex(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_;
    std::string path_;
};

}  // namespace platform
