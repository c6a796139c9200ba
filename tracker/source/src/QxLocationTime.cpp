#include "QxLocationTime.h"

#include <chrono>

namespace tessavon::tracking {

std::int64_t QxLocationTime::GetTrackTime() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace tessavon::tracking
