#pragma once
// The process-wide tracker. Callers load a copy of TrackerInstance and use
// it for the duration of a call, so a release on another thread never pulls
// the tracker from under a running report; the last copy destroys it.
#include <atomic>
#include <memory>

#include "UsageTracker.h"
#include "UsageTrackerConfig.h"

namespace tessavon::tracking {

// Empty until CreateUsageTracker; always a UsageTrackerWrapper once set.
extern std::atomic<std::shared_ptr<UsageTracker>> TrackerInstance;

// Releases any earlier tracker, then builds, initialises and publishes a new
// one. A failed initialisation is dropped: the tracker is published anyway
// and simply sends what it can (possibly nothing).
void CreateUsageTracker(const UsageTrackerConfig& config);

// Empties TrackerInstance; the tracker flushes and shuts the client down
// when the last copy goes.
void ReleaseUsageTracker();

}  // namespace tessavon::tracking
