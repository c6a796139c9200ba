#include "StandIn.h"

#include <algorithm>
#include <climits>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

#include <poll.h>
#include <unistd.h>

namespace standin {

std::vector<std::string> Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::optional<std::string> ValueOf(const std::vector<std::string>& args, std::string_view prefix) {
    for (const auto& arg : args) {
        if (std::string_view(arg).starts_with(prefix)) return arg.substr(prefix.size());
    }
    return std::nullopt;
}

std::optional<std::string> TrailingValueOf(const std::vector<std::string>& args, std::string_view prefix) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!std::string_view(args[i]).starts_with(prefix)) continue;
        std::string value = args[i].substr(prefix.size());
        for (std::size_t j = i + 1; j < args.size(); ++j) value += " " + args[j];
        return value;
    }
    return std::nullopt;
}

void Write(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (written <= 0) return;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void Line(std::string_view line) {
    std::string text(line);
    text += '\n';
    Write(text);
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::filesystem::path OwnExecutable() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error);
}

bool WriteFile(const std::filesystem::path& path, std::string_view bytes, bool executable) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return false;
    }
    if (executable) {
        std::error_code error;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                               std::filesystem::perms::group_exec |
                                               std::filesystem::perms::others_read |
                                               std::filesystem::perms::others_exec,
                                     error);
        if (error) return false;
    }
    return true;
}

std::optional<std::string> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::optional<std::string> ProfileValue(const std::filesystem::path& file, std::string_view section,
                                        std::string_view key) {
    auto text = ReadFile(file);
    if (!text) return std::nullopt;
    std::istringstream lines(*text);
    std::string line;
    bool in_section = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with("[")) {
            in_section = line == "[" + std::string(section) + "]";
        } else if (in_section && line.starts_with(std::string(key) + "=")) {
            return line.substr(key.size() + 1);
        }
    }
    return std::nullopt;
}

void WaitUntilClosed(std::chrono::milliseconds limit) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    if (limit.count() <= 0) {
        int received = 0;
        sigwait(&signals, &received);
        return;
    }
    timespec wait{};
    wait.tv_sec = static_cast<time_t>(limit.count() / 1000);
    wait.tv_nsec = static_cast<long>((limit.count() % 1000) * 1000000);
    sigtimedwait(&signals, nullptr, &wait);
}

void Flood() {
    Write("Message=\xff\xfe\xc3\x28 not UTF-8\n");
    Write(std::string_view("Message=with\0NUL\n", 17));
    std::string huge = "InstPath=" + std::string(1024 * 1024, 'x') + "\n";
    Write(huge);
    Write(std::string(64 * 1024, 'y'));
    Write("\n");
    std::string lines;
    for (int i = 0; i < 100000; ++i) {
        lines += "noise line " + std::to_string(i) + "\n";
        if (lines.size() > 60000) {
            Write(lines);
            lines.clear();
        }
    }
    Write(lines);
}

bool FloodStandardError(std::size_t bytes, std::chrono::milliseconds limit) {
    std::string noise;
    for (int i = 0; noise.size() < PIPE_BUF; ++i) noise += "warning: noise line " + std::to_string(i) + "\n";
    noise.resize(PIPE_BUF);
    while (bytes > 0) {
        // A pipe reported writable takes PIPE_BUF bytes without blocking, so
        // waiting happens only here, where it can time out.
        pollfd target{STDERR_FILENO, POLLOUT, 0};
        if (::poll(&target, 1, static_cast<int>(limit.count())) <= 0 || !(target.revents & POLLOUT)) return false;
        ssize_t written = ::write(STDERR_FILENO, noise.data(), std::min(bytes, noise.size()));
        if (written <= 0) return false;
        bytes -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace standin
