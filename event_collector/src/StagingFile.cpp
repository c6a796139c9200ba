#include "event_collector/StagingFile.h"

#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>

namespace event_collector {

namespace {

bool LooksLikeRecord(const std::string& line) { return !line.empty() && line.front() == '{' && line.back() == '}'; }

}  // namespace

std::vector<std::string> ReadStagingFile(const std::string& path, std::size_t limit) {
    std::vector<std::string> result;
    if (limit == 0) return result;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return result;
    std::ifstream in(path, std::ios::binary);
    if (!in) return result;

    std::deque<std::string> newest;
    std::string line;
    bool tooLong = false;
    auto finishLine = [&] {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!tooLong && LooksLikeRecord(line)) {
            newest.push_back(std::move(line));
            if (newest.size() > limit) newest.pop_front();
        }
        line.clear();
        tooLong = false;
    };
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        const char* cursor = buffer;
        const char* const end = buffer + in.gcount();
        while (cursor < end) {
            const char* newline = static_cast<const char*>(std::memchr(cursor, '\n', static_cast<std::size_t>(end - cursor)));
            const char* pieceEnd = newline ? newline : end;
            const std::size_t piece = static_cast<std::size_t>(pieceEnd - cursor);
            if (!tooLong && line.size() + piece > kMaxStagedLineBytes) {
                tooLong = true;
                std::string().swap(line);
            }
            if (!tooLong) line.append(cursor, piece);
            if (newline) finishLine();
            cursor = newline ? newline + 1 : end;
        }
    }
    finishLine();
    result.assign(std::make_move_iterator(newest.begin()), std::make_move_iterator(newest.end()));
    return result;
}

bool WriteStagingFile(const std::string& path, const std::vector<std::string>& records) {
    const std::string temporary = path + ".tmp";
    std::error_code error;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        for (const auto& record : records) {
            out.write(record.data(), static_cast<std::streamsize>(record.size()));
            out.put('\n');
        }
        out.flush();
        if (!out) {
            out.close();
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

}  // namespace event_collector
