#include "platform/screen_metrics.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

// The few X entry points needed, looked up at run time.
using OpenDisplay = void* (*)(const char*);
using CloseDisplay = int (*)(void*);
using DefaultScreen = int (*)(void*);
using DisplayExtent = int (*)(void*, int);

ScreenSize AskX11() {
    ScreenSize size;
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') return size;
    void* library = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return size;
    auto open = reinterpret_cast<OpenDisplay>(dlsym(library, "XOpenDisplay"));
    auto close = reinterpret_cast<CloseDisplay>(dlsym(library, "XCloseDisplay"));
    auto screen = reinterpret_cast<DefaultScreen>(dlsym(library, "XDefaultScreen"));
    auto width = reinterpret_cast<DisplayExtent>(dlsym(library, "XDisplayWidth"));
    auto height = reinterpret_cast<DisplayExtent>(dlsym(library, "XDisplayHeight"));
    if (open && close && screen && width && height) {
        if (void* connection = open(nullptr)) {
            const int number = screen(connection);
            size = {width(connection, number), height(connection, number)};
            close(connection);
        }
    }
    dlclose(library);
    return size;
}

}  // namespace

ScreenSize PrimaryScreenSize() {
    if (const char* forced = std::getenv("QUORVANE_SCREEN_SIZE")) {
        ScreenSize size;
        if (std::sscanf(forced, "%dx%d", &size.width, &size.height) == 2) return size;
        return {};
    }
    return AskX11();
}

}  // namespace platform
