#include "core/StatusProtocolPump.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "platform/code_page.h"
#include "utils/ChildProcess.h"
#include "utils/DiagLog.h"

namespace {

constexpr std::size_t kReadSize = 1024;
constexpr std::chrono::milliseconds kBusyPause{2};

// Reads what is waiting now, without blocking; true when anything was read.
bool DrainAvailable(Utils::ChildProcess& child, StatusProtocol& protocol, const StatusSink& sink) {
    char buffer[kReadSize];
    bool read_any = false;
    for (std::size_t available = child.OutputBytesAvailable(); available > 0;
         available = child.OutputBytesAvailable()) {
        auto count = child.ReadOutput(buffer, std::min(available, sizeof buffer));
        if (!count || *count == 0) break;
        protocol.Feed(std::string_view(buffer, *count), sink);
        read_any = true;
    }
    return read_any;
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
    bool was_busy = false;
    for (;;) {
        // Asked before draining: output written before the exit is then in
        // the pipe, so the last drain below sees all of it.
        bool running = child->IsRunning();
        bool read_any = DrainAvailable(*child, protocol, sink);
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
    child->Close();
    return crashed ? ChildEnd::Crashed : ChildEnd::Exited;
}
