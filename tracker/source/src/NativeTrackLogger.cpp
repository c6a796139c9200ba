#include "NativeTrackLogger.h"

#include <filesystem>

namespace tessavon::tracking {

NativeTrackLogger::~NativeTrackLogger() { close(); }

void NativeTrackLogger::open(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (!path.empty() && path == path_ && file_.is_open()) return;
    if (file_.is_open()) file_.close();
    cursor_ = 0;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) std::ofstream(path, std::ios::binary);
    file_.open(path, std::ios::in | std::ios::out | std::ios::app | std::ios::binary);
    path_ = path;
}

void NativeTrackLogger::close() {
    std::lock_guard lock(mutex_);
    if (file_.is_open()) file_.close();
    cursor_ = -1;
}

void NativeTrackLogger::readRecords(std::vector<TrackLogRecord>& records, std::int32_t firstLine,
                                    std::int32_t maxLines) {
    std::lock_guard lock(mutex_);
    if (!file_.is_open()) return;
    records.clear();
    // Going backwards (or after the end was hit) means reading from the start again.
    if (cursor_ < 0 || firstLine < cursor_ || file_.eof()) {
        file_.clear();
        file_.seekg(0);
        cursor_ = 0;
    }
    std::string line;
    while (cursor_ < firstLine && std::getline(file_, line)) ++cursor_;
    std::int32_t read = 0;
    while (read < maxLines && std::getline(file_, line)) {
        ++cursor_;
        ++read;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            fields.push_back(line.substr(start, tab - start));
        fields.push_back(line.substr(start));
        if (fields.size() >= 3) records.push_back({fields[0], fields[1], fields[2]});
    }
}

void NativeTrackLogger::clear() {
    std::lock_guard lock(mutex_);
    if (file_.is_open()) {
        file_.clear();
        file_.seekg(0);
    }
    cursor_ = -1;
    if (!path_.empty()) std::ofstream(path_, std::ios::binary | std::ios::trunc);
}

}  // namespace tessavon::tracking
