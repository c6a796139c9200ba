#pragma once
// The staging file keeps records that were not sent between two runs: one
// record's JSON per line. A file that cannot be read yields nothing; a write
// replaces the file atomically (temporary file, then rename), so a crash while
// writing leaves the previous content intact.
#include <cstddef>
#include <string>
#include <vector>

namespace event_collector {

// Longest line taken as a record. Longer lines cannot come from this client
// and are skipped without being held in memory whole.
inline constexpr std::size_t kMaxStagedLineBytes = 1024 * 1024;

// The lines that look like records (non-empty, "{" first, "}" last), in file
// order, at most `limit` of them: the last ones when more qualify.
std::vector<std::string> ReadStagingFile(const std::string& path, std::size_t limit);

// Writes each record on its own line; false (and the old file untouched) on failure.
bool WriteStagingFile(const std::string& path, const std::vector<std::string>& records);

}  // namespace event_collector
