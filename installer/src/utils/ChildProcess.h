#pragma once
// A hidden child program whose standard streams are pipes to us.
//
// Life: construct (creates the error, output and input pipes, in that order) →
// Start → the owner reads the output and polls or waits → Close (or the
// destructor). Every handle is closed exactly once, also after a failed Start.
// One owner thread drives the object.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "utils/Pipe.h"

namespace platform {
class Process;
}

namespace Utils {

class ChildProcess {
public:
    static constexpr std::uint32_t kStillActive = 259;
    // The command-line field holds 1024 characters with its terminating zero.
    static constexpr std::size_t kMaxCommandLine = 1023;

    // Creates the three pipes; throws Utils::Exception when one cannot be made.
    ChildProcess();
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the command line (Windows quoting; see platform/process.h) with
    // the pipes as its standard streams. Throws Utils::Exception (empty
    // message) when it cannot be started, or when the line is longer than
    // kMaxCommandLine UTF-16 characters (running a cut-off command line could
    // start the wrong thing). After a successful start the child's ends are
    // closed here, so the output reaches its end when the child exits.
    void Start(const std::string& command_line);

    // Releases the process and every pipe end still open. Does not stop the child.
    void Close();

    // Reads up to `size` bytes of the child's standard output, waiting for
    // data. 0 = the output has ended; empty = the read failed.
    std::optional<std::size_t> ReadOutput(void* buffer, std::size_t size);
    // Bytes of standard output that can be read without waiting (0 on failure).
    std::size_t OutputBytesAvailable() const;
    // The same two for the child's standard error. Nobody needs what a child
    // writes there, but unless it is read a child that writes more than the
    // pipe holds blocks for ever.
    std::optional<std::size_t> ReadError(void* buffer, std::size_t size);
    std::size_t ErrorBytesAvailable() const;
    // Sends bytes to the child's standard input; false when that fails.
    bool WriteInput(const void* data, std::size_t size);

    // kStillActive while the child runs (or before Start), else its exit code.
    std::uint32_t ExitCode();
    bool IsRunning() { return ExitCode() == kStillActive; }
    // Waits without a time limit for the child to end; its exit code.
    std::uint32_t Wait();
    // Ends the child at once; false when there is none.
    bool Kill();
    // True when the child has ended through a signal (it crashed or was killed).
    bool EndedBySignal() const;

    std::uint32_t ProcessId() const;
    const std::string& CommandLine() const { return command_line_; }
    platform::FileHandle OutputReadEnd() const { return output_.ReadEnd(); }

private:
    std::string command_line_;
    Pipe error_;
    Pipe output_;
    Pipe input_;
    std::unique_ptr<platform::Process> process_;
};

}  // namespace Utils
