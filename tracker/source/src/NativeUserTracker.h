#pragma once
// Sets properties of the user's profile on the collector. Every known profile
// property is set once, overwritten or accumulated; a request that does not
// fit the property (a text to a counter, an unknown name) is refused with a
// QxException (file "NativeUserTracker") instead of sending a record the
// collector would misread. Each accepted call sends one profile record with
// one property; without a client nothing is sent, refusals are raised all the same.
#include <cstdint>
#include <string>

namespace tessavon::tracking {

class NativeUserTracker {
public:
    enum class Operation : std::int32_t { SetOnce = 1, Increment = 2, Set = 3, Append = 4 };

    static void ProfileUserPropertyString(const std::string& name, const std::string& text);
    static void ProfileUserPropertyNumber(const std::string& name, std::int32_t value);
    static void ProfileUserPropertyNumber(const std::string& name, double value);
    // time above 157789439999 is milliseconds since 1970 UTC, otherwise seconds.
    static void ProfileUserPropertyDateTime(const std::string& name, std::int64_t time);

    // The operation of a known profile property; raises for an unknown name.
    static Operation OperationOf(const std::string& name, const char* function);
};

}  // namespace tessavon::tracking
