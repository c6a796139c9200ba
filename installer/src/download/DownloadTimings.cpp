#include "download/DownloadTimings.h"

namespace download {

DownloadTimings& TheDownloadTimings() {
    static DownloadTimings timings;
    return timings;
}

}  // namespace download
