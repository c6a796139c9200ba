#include "RunnerTestSupport.h"

#include <algorithm>
#include <random>

std::vector<std::int32_t> StageRecorder::Codes() const {
    std::vector<std::int32_t> codes;
    for (const auto& event : Events()) codes.push_back(event.code);
    return codes;
}

std::vector<StageEvent> StageRecorder::Only(std::initializer_list<std::int32_t> codes) const {
    std::vector<StageEvent> kept;
    for (const auto& event : Events()) {
        if (std::find(codes.begin(), codes.end(), event.code) != codes.end()) kept.push_back(event);
    }
    return kept;
}

bool StageRecorder::WaitFor(std::int32_t code, int seconds) {
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, std::chrono::seconds(seconds), [&] {
        return std::any_of(events_.begin(), events_.end(), [&](const StageEvent& event) { return event.code == code; });
    });
}

TempFolder::TempFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("quorvane-test-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

std::filesystem::path SetupPackageFile() { return STANDIN_SETUP_PACKAGE; }
std::filesystem::path UninstallerFile() { return STANDIN_UNINSTALLER; }
std::filesystem::path ProductFile() { return STANDIN_PRODUCT; }

std::string Quoted(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }
