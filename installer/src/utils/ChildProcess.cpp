#include "utils/ChildProcess.h"

#include "platform/code_page.h"
#include "platform/process.h"
#include "utils/Exception.h"

namespace Utils {

ChildProcess::ChildProcess() = default;

ChildProcess::~ChildProcess() { Close(); }

void ChildProcess::Start(const std::string& command_line) {
    if (platform::Utf16Length(command_line) > kMaxCommandLine) throw Exception();
    command_line_ = command_line;
    process_ = platform::Process::Start(command_line_, input_.ReadEnd(), output_.WriteEnd(), error_.WriteEnd());
    if (!process_) throw Exception();
    // Only the child may hold these now; otherwise our own copy of the output's
    // write end would keep the pipe open after the child is gone.
    output_.CloseWrite();
    error_.CloseWrite();
    input_.CloseRead();
}

void ChildProcess::Close() {
    process_.reset();
    input_.Close();
    output_.Close();
    error_.Close();
}

namespace {

std::optional<std::size_t> ReadFrom(const Pipe& pipe, void* buffer, std::size_t size) {
    if (pipe.ReadEnd() == platform::kNullFileHandle) return std::nullopt;
    return platform::ReadFromPipe(pipe.ReadEnd(), buffer, size);
}

std::size_t BytesAvailable(const Pipe& pipe) {
    if (pipe.ReadEnd() == platform::kNullFileHandle) return 0;
    return platform::PipeBytesAvailable(pipe.ReadEnd()).value_or(0);
}

}  // namespace

std::optional<std::size_t> ChildProcess::ReadOutput(void* buffer, std::size_t size) {
    return ReadFrom(output_, buffer, size);
}

std::size_t ChildProcess::OutputBytesAvailable() const { return BytesAvailable(output_); }

std::optional<std::size_t> ChildProcess::ReadError(void* buffer, std::size_t size) {
    return ReadFrom(error_, buffer, size);
}

std::size_t ChildProcess::ErrorBytesAvailable() const { return BytesAvailable(error_); }

bool ChildProcess::WriteInput(const void* data, std::size_t size) {
    if (input_.WriteEnd() == platform::kNullFileHandle) return false;
    return platform::WriteToPipe(input_.WriteEnd(), data, size);
}

std::uint32_t ChildProcess::ExitCode() { return process_ ? process_->ExitCode() : kStillActive; }

std::uint32_t ChildProcess::Wait() { return process_ ? process_->Wait() : kStillActive; }

bool ChildProcess::EndedBySignal() const { return process_ && process_->EndedBySignal(); }

bool ChildProcess::Kill() { return process_ && process_->Kill(); }

std::uint32_t ChildProcess::ProcessId() const { return process_ ? process_->Id() : 0; }

}  // namespace Utils
