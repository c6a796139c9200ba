#include "QxException.h"

#include <utility>

namespace tessavon::tracking {

QxException::QxException(std::string file, std::string function, std::int32_t line, std::string message)
    : file(std::move(file)), function(std::move(function)), line(line), message(std::move(message)) {}

}  // namespace tessavon::tracking
