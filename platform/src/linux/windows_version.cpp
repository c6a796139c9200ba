#include "platform/windows_version.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace platform {
namespace {

const char* Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

constexpr WindowsVersion kDefaultVersion{10, 0, 19045};

}  // namespace

std::optional<WindowsVersion> NtVersionNumbers() {
    const char* text = Env("QUORVANE_WINDOWS_VERSION");
    if (text == nullptr) return kDefaultVersion;
    if (std::string_view(text) == "unavailable") return std::nullopt;
    unsigned major = 0, minor = 0, build = 0;
    int fields = std::sscanf(text, "%u.%u.%u", &major, &minor, &build);
    if (fields < 2) return kDefaultVersion;  // a malformed override is ignored
    return WindowsVersion{major, minor, build & 0xFFFFu};
}

bool IsServerR2() {
    const char* text = Env("QUORVANE_WINDOWS_R2");
    return text != nullptr && std::string_view(text) != "0";
}

Wow64Query QueryWow64Process() {
    const char* text = Env("QUORVANE_WOW64");
    if (text == nullptr) return Wow64Query::Native;
    std::string_view value(text);
    if (value == "yes" || value == "1") return Wow64Query::Emulated;
    if (value == "unavailable") return Wow64Query::Unavailable;
    if (value == "fail") return Wow64Query::Failed;
    return Wow64Query::Native;
}

int NativeProcessorArchitecture() {
    const char* text = Env("QUORVANE_NATIVE_ARCH");
    if (text == nullptr) return kArchitectureAmd64;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' ? static_cast<int>(value) : kArchitectureAmd64;
}

}  // namespace platform
