#include "TrackerInstance.h"

#include "UsageTrackerImpl.h"
#include "UsageTrackerWrapper.h"

namespace tessavon::tracking {

std::atomic<std::shared_ptr<UsageTracker>> TrackerInstance;

void CreateUsageTracker(const UsageTrackerConfig& config) {
    // The collection client is one per process: the old tracker must have
    // shut its client down before the new one starts its own.
    ReleaseUsageTracker();
    auto impl = std::make_unique<UsageTrackerImpl>(config);
    try {
        impl->init();
    } catch (...) {
        // Analytics never stops the program from starting.
    }
    TrackerInstance.store(std::make_shared<UsageTrackerWrapper>(std::move(impl)));
}

void ReleaseUsageTracker() { TrackerInstance.store(nullptr); }

}  // namespace tessavon::tracking
