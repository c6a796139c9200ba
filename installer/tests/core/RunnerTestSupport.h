#pragma once
// Shared pieces of the runner and pipeline tests: a stage recorder, a
// temporary folder, and where the stand-in programs were built.
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "core/StageCodes.h"

struct StageEvent {
    std::int32_t code;
    double progress;
    std::string message;
    bool operator==(const StageEvent&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const StageEvent& event) {
        return out << "{" << event.code << ", " << event.progress << ", \"" << event.message << "\"}";
    }
};

// Records every stage event; safe to call from any thread.
class StageRecorder {
public:
    StageCallback Callback() {
        return [this](std::int32_t code, double progress, const char* message) { Add({code, progress, message}); };
    }
    void Add(StageEvent event) {
        std::lock_guard guard(lock_);
        events_.push_back(std::move(event));
        changed_.notify_all();
    }
    // Waits up to `seconds` until an event with `code` has arrived.
    bool WaitFor(std::int32_t code, int seconds = 20);
    std::vector<StageEvent> Events() const {
        std::lock_guard guard(lock_);
        return events_;
    }
    std::vector<std::int32_t> Codes() const;
    // Events whose code is one of `codes`, in order.
    std::vector<StageEvent> Only(std::initializer_list<std::int32_t> codes) const;

private:
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::vector<StageEvent> events_;
};

// A fresh folder below the system's temporary folder, removed at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::filesystem::path SetupPackageFile();
std::filesystem::path UninstallerFile();
std::filesystem::path ProductFile();

std::string Quoted(const std::filesystem::path& path);
