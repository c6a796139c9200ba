#pragma once
// Anonymous pipes and the handles of their ends.
//
// Every end is created not inheritable (close-on-exec): a child gets exactly
// the ends it is handed as its standard streams when it is started (see
// process.h), never a stray copy that would keep a pipe open after its owner
// closed it. Handles are plain values; whoever holds one closes it once.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform {

using FileHandle = std::intptr_t;
inline constexpr FileHandle kNullFileHandle = -1;

struct PipeEnds {
    FileHandle read = kNullFileHandle;
    FileHandle write = kNullFileHandle;
};

// A new pipe with the system's default buffer size; empty on failure (nothing
// is left open then).
std::optional<PipeEnds> CreatePipe();

// Closes the handle unless it is null, and sets it to null.
void CloseFileHandle(FileHandle& handle);

// Reads up to `size` bytes, waiting until at least one byte is there or every
// writer has closed its end. Returns the count (0: end of data), or empty when
// the read fails.
std::optional<std::size_t> ReadFromPipe(FileHandle handle, void* buffer, std::size_t size);

// Bytes that can be read now without waiting; empty when the handle is bad.
std::optional<std::size_t> PipeBytesAvailable(FileHandle handle);

// Writes all bytes (waiting while the pipe is full). False when a write fails,
// e.g. because the reader is gone; to make that a failure instead of a killed
// process, the first call sets SIGPIPE to be ignored for the whole process.
bool WriteToPipe(FileHandle handle, const void* data, std::size_t size);

}  // namespace platform
