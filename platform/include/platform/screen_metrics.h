#pragma once
// Size of the primary screen in pixels, what GetSystemMetrics answers for
// SM_CXSCREEN / SM_CYSCREEN. Read from the X display named by DISPLAY (the X
// library is loaded on demand, so programs without a display need none);
// 0 x 0 when there is no display. QUORVANE_SCREEN_SIZE="<width>x<height>"
// overrides it for tests. Thread-safe; every call asks afresh.
namespace platform {

struct ScreenSize {
    int width = 0;
    int height = 0;
};

ScreenSize PrimaryScreenSize();

}  // namespace platform
