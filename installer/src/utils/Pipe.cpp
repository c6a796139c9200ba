#include "utils/Pipe.h"

#include "utils/Exception.h"

namespace Utils {

Pipe::Pipe() {
    auto ends = platform::CreatePipe();
    if (!ends) throw Exception();
    read_ = ends->read;
    write_ = ends->write;
}

}  // namespace Utils
