#pragma once
// The tracker's log sink: a text file of tab-separated lines (time stamp,
// level, message). Its presence also tells the tracker wrapper that failures
// may be mentioned on the console.
#include <cstdint>
#include <string>
#include <vector>

namespace tessavon::tracking {

struct TrackLogRecord {
    std::string time;
    std::string level;
    std::string message;
};

class TrackLogger {
public:
    virtual ~TrackLogger() = default;
    // Replaces `records` with up to `maxLines` records starting at line
    // `firstLine` (counting from 0). Lines with fewer than three fields are skipped.
    virtual void readRecords(std::vector<TrackLogRecord>& records, std::int32_t firstLine,
                             std::int32_t maxLines) = 0;
    // Empties the log file.
    virtual void clear() = 0;
};

}  // namespace tessavon::tracking
