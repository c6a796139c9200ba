#pragma once
// An anonymous pipe owned by one object: both ends are closed by Close or the
// destructor, each exactly once. Used by one reader at a time.
#include "platform/pipe.h"

namespace Utils {

class Pipe {
public:
    // Creates the pipe; throws Utils::Exception (empty message) on failure,
    // leaving nothing open.
    Pipe();
    ~Pipe() { Close(); }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    platform::FileHandle ReadEnd() const { return read_; }
    platform::FileHandle WriteEnd() const { return write_; }
    void CloseRead() { platform::CloseFileHandle(read_); }
    void CloseWrite() { platform::CloseFileHandle(write_); }
    // Closes each end that is still open.
    void Close() {
        CloseWrite();
        CloseRead();
    }

private:
    platform::FileHandle write_ = platform::kNullFileHandle;
    platform::FileHandle read_ = platform::kNullFileHandle;
};

}  // namespace Utils
