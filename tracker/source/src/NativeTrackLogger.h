#pragma once
// The file-backed log sink. Every operation holds the logger's mutex, so it
// may be used from several threads. A file that cannot be created or opened
// leaves the logger without a file; every operation then does nothing.
#include <fstream>
#include <mutex>

#include "TrackLogger.h"

namespace tessavon::tracking {

class NativeTrackLogger : public TrackLogger {
public:
    ~NativeTrackLogger() override;

    // Creates the file when missing and opens it for reading and appending.
    // Opening again on the path already open does nothing.
    void open(const std::string& path);
    void close();

    void readRecords(std::vector<TrackLogRecord>& records, std::int32_t firstLine, std::int32_t maxLines) override;
    void clear() override;

private:
    std::mutex mutex_;
    std::string path_;
    std::fstream file_;
    std::int32_t cursor_ = -1;  // line the stream stands before; -1 unknown
};

}  // namespace tessavon::tracking
