#include "platform/process_info.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

std::uint32_t CurrentProcessId() { return static_cast<std::uint32_t>(::getpid()); }

std::uint32_t CurrentThreadId() { return static_cast<std::uint32_t>(::syscall(SYS_gettid)); }

void SetCurrentThreadName(const std::string& name) {
    constexpr std::size_t kMaxBytes = 15;  // 16 with the terminating zero
    std::string shortened = name.substr(0, kMaxBytes);
    if (name.size() > kMaxBytes) {
        // Do not leave half a UTF-8 sequence at the end.
        std::size_t end = shortened.size();
        std::size_t start = end;
        while (start > 0 && (static_cast<unsigned char>(shortened[start - 1]) & 0xC0) == 0x80) --start;
        if (start > 0) {
            unsigned char lead = static_cast<unsigned char>(shortened[start - 1]);
            std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            if (end - (start - 1) < need) shortened.resize(start - 1);
        }
    }
    ::pthread_setname_np(::pthread_self(), shortened.c_str());
}

std::string CurrentThreadName() {
    char buffer[16] = {};
    if (::pthread_getname_np(::pthread_self(), buffer, sizeof buffer) != 0) return {};
    return buffer;
}

}  // namespace platform
