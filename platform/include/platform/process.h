#pragma once
// Starting a child program from a Windows-style command line and watching it.
//
// The command line is split into arguments by the Windows rules
// (command_line.h); its first token names the program: a path when it holds a
// separator, else a name looked up in PATH. A regular file the user can read
// is started like a Windows program even without its execute bit: the owner's
// execute bit is set first (downloaded packages arrive without it). The child
// inherits the environment and current folder, has no terminal of its own to
// show, and gets the three given handles as its standard input, output and
// error; no other handle of ours reaches it.
//
// One owner thread drives a Process. Destroying it neither kills nor waits
// for the child.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/pipe.h"

namespace platform {

class Process {
public:
    // What an exit code reads while the child still runs (as on Windows).
    static constexpr std::uint32_t kStillActive = 259;

    // Starts the child. Returns null when it cannot be started (no program,
    // not startable, empty command line); `error` (if given) then holds the
    // system error number.
    static std::unique_ptr<Process> Start(const std::string& command_line, FileHandle standard_input,
                                          FileHandle standard_output, FileHandle standard_error,
                                          int* error = nullptr);

    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    std::uint32_t Id() const { return static_cast<std::uint32_t>(pid_); }

    // kStillActive while the child runs; afterwards its exit status, or 128 +
    // the signal number when a signal ended it. Never waits.
    std::uint32_t ExitCode();
    // Waits without a time limit for the child to end; returns its exit code.
    std::uint32_t Wait();
    // Ends the child at once (SIGKILL). False when it has already been reaped.
    bool Kill();
    // True once the child has been seen to end through a signal (a crash, or
    // being killed) rather than by exiting.
    bool EndedBySignal() const { return ended_by_signal_; }

private:
    explicit Process(int pid) : pid_(pid) {}
    bool Reap(bool wait);

    int pid_;
    bool reaped_ = false;
    std::uint32_t exit_code_ = kStillActive;
    bool ended_by_signal_ = false;
};

}  // namespace platform
