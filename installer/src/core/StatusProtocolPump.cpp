#include "core/StatusProtocolPump.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string_view>
#include <thread>

#include "platform/code_page.h"
#include "utils/ChildProcess.h"
#include "utils/DiagLog.h"

namespace {

constexpr std::size_t kReadSize = 1024;
constexpr std::chrono::milliseconds kBusyPause{2};

using BytesAvailableFn = std::size_t (Utils::ChildProcess::*)() const;
using ReadFn = std::optional<std::size_t> (Utils::ChildProcess::*)(void*, std::size_t);

// Reads what is waiting now on one of the child's pipes, without blocking, and
// hands it on piece by piece; the number of bytes read.
template <typename Take>
std::size_t DrainAvailable(Utils::ChildProcess& child, BytesAvailableFn available, ReadFn read, Take&& take) {
    char buffer[kReadSize];
    std::size_t total = 0;
    for (std::size_t waiting = (child.*available)(); waiting > 0; waiting = (child.*available)()) {
        auto count = (child.*read)(buffer, std::min(waiting, sizeof buffer));
        if (!count || *count == 0) break;
        take(std::string_view(buffer, *count));
        total += *count;
    }
    return total;
}

}  // namespace

std::string DecodeChildOutput(std::string_view bytes, std::uint32_t code_page) {
    if (auto text = platform::CodePageToUtf8(bytes, code_page)) return *std::move(text);
    return platform::CodePageToUtf8(bytes, platform::kCodePageAnsi).value_or(std::string());
}

ChildEnd RunStatusChild(const std::string& command_line, StatusProtocol& protocol, const StageCallback& callback,
                        std::chrono::milliseconds idle_pause) {
    std::unique_ptr<Utils::ChildProcess> child;
    try {
        child = std::make_unique<Utils::ChildProcess>();
        child->Start(command_line);
    } catch (const std::exception&) {
        DIAG_LOG("cannot start: %s", command_line.c_str());
        return ChildEnd::NotStarted;
    }
    DIAG_LOG("started %u: %s", child->ProcessId(), command_line.c_str());

    StatusSink sink = [&callback](const StatusEvent& event) {
        callback(event.code, event.progress, event.message.c_str());
    };
    auto feed = [&protocol, &sink](std::string_view bytes) { protocol.Feed(bytes, sink); };
    // Standard error carries nothing of the protocol, but it is read all the
    // same: a child that fills that pipe would block and never exit.
    auto discard = [](std::string_view) {};
    std::size_t error_bytes = 0;
    bool was_busy = false;
    for (;;) {
        // Asked before draining: output written before the exit is then in
        // the pipes, so the last drain below sees all of it.
        bool running = child->IsRunning();
        std::size_t output_read =
            DrainAvailable(*child, &Utils::ChildProcess::OutputBytesAvailable, &Utils::ChildProcess::ReadOutput, feed);
        std::size_t error_read =
            DrainAvailable(*child, &Utils::ChildProcess::ErrorBytesAvailable, &Utils::ChildProcess::ReadError, discard);
        error_bytes += error_read;
        bool read_any = output_read > 0 || error_read > 0;
        if (!running) break;
        // A child in the middle of a burst is looked at again soon, so that
        // a full pipe does not hold it for a whole idle pause.
        if (!read_any) std::this_thread::sleep_for(was_busy ? std::min(kBusyPause, idle_pause) : idle_pause);
        was_busy = read_any;
    }
    protocol.Finish(sink);
    std::uint32_t exit_code = child->Wait();
    bool crashed = child->EndedBySignal();
    DIAG_LOG("child %u ended with %u%s", child->ProcessId(), exit_code, crashed ? " (signal)" : "");
    if (error_bytes > 0)
        DIAG_LOG("child %u wrote %zu bytes to standard error (discarded)", child->ProcessId(), error_bytes);
    child->Close();
    return crashed ? ChildEnd::Crashed : ChildEnd::Exited;
}

void RunStatusChildToEnd(const std::string& command_line, StatusProtocol& protocol, const StageCallback& callback,
                         std::chrono::milliseconds idle_pause, const ClosingEvents& closing) {
    ChildEnd end = RunStatusChild(command_line, protocol, callback, idle_pause);
    if (end != ChildEnd::NotStarted && protocol.Decided()) return;
    // A child that stays silent and exits counts as done, but one that crashed
    // before saying anything has not done its work.
    const ClosingEvent& event = end == ChildEnd::NotStarted ? closing.not_started
                                : end == ChildEnd::Crashed  ? closing.crashed
                                                            : closing.silent;
    callback(event.code, event.progress, event.message);
}
