#pragma once
// The one error type of the analytics layer. Every rejected record and every
// failure of the tracker is raised as a QxException; the tracker wrapper turns
// them into silence, so callers outside the layer never see one from a report.
#include <cstdint>
#include <exception>
#include <string>

namespace tessavon::tracking {

class QxException : public std::exception {
public:
    QxException(std::string file, std::string function, std::int32_t line, std::string message);

    const char* what() const noexcept override { return message.c_str(); }

    std::string file;      // the raising source: "UsageTrackerImpl", "QxContextProperties", ...
    std::string function;  // the raising operation, e.g. "trackClick"
    std::int32_t line;
    std::string message;
};

}  // namespace tessavon::tracking

// Raises a QxException stamped with the current source line.
#define QX_THROW(file, function, message) \
    throw ::tessavon::tracking::QxException((file), (function), __LINE__, (message))
