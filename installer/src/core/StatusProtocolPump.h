#pragma once
// Runs a child program and turns its standard output into stage events.
//
// The output is read for as long as the child runs, also after a decisive
// line (a child blocked on a full pipe would otherwise never exit), and once
// the child has exited whatever it wrote last is drained before the outcome is
// decided. The child's standard error is read alongside and thrown away, so a
// child that writes much there cannot block on it. Reading never waits on a
// pipe itself: a grandchild that inherited a pipe and keeps it open cannot
// hold the runner once the child is gone.
// Runs on the calling (worker) thread and holds no lock while it waits.
#include <chrono>
#include <string>

#include "core/StageCodes.h"
#include "core/StatusProtocol.h"

// Decodes child output through the platform's code-page conversion; an
// unknown code page falls back to the system's ANSI code page.
std::string DecodeChildOutput(std::string_view bytes, std::uint32_t code_page);

enum class ChildEnd {
    NotStarted,  // the child could not be started; nothing was raised
    Exited,      // the child ended by exiting, whatever its exit code
    Crashed,     // the child was ended by a signal (a crash or a kill)
};

// Starts `command_line` and feeds its output to `protocol` until the child has
// exited, raising each event through `callback`. `idle_pause` is how long to
// sleep when no output is waiting.
ChildEnd RunStatusChild(const std::string& command_line, StatusProtocol& protocol, const StageCallback& callback,
                        std::chrono::milliseconds idle_pause);

// The event that closes a run which the child's own output did not decide.
struct ClosingEvent {
    std::int32_t code;
    double progress;
    const char* message;
};
struct ClosingEvents {
    ClosingEvent not_started;  // the child could not be started
    ClosingEvent crashed;      // a signal ended it before any verdict
    ClosingEvent silent;       // it exited without a verdict: taken as done
};

// RunStatusChild, then exactly one closing event unless the output decided.
void RunStatusChildToEnd(const std::string& command_line, StatusProtocol& protocol, const StageCallback& callback,
                         std::chrono::milliseconds idle_pause, const ClosingEvents& closing);
