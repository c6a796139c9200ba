#include "utils/SystemInfo.h"

#include "platform/windows_version.h"

namespace Utils {

std::string OsNameForVersion(unsigned major, unsigned minor, unsigned build, bool server_r2) {
    if (major <= 4) return "XP-";
    if (major == 5) {
        if (minor == 0) return "2K";
        if (minor == 1) return "XP";
        if (minor == 2) return server_r2 ? "Server 2003 R2" : "Server 2003";
        return "XP+";
    }
    if (major == 6) {
        static const char* const kNames[] = {"Vista", "7", "8", "8.1"};
        return minor < 4 ? kNames[minor] : "8.1+";
    }
    if (major == 10) return minor == 0 ? "10" : "10+";
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build);
}

void GetOsName(std::string& family, std::string& name) {
    family = "Windows";
    auto version = platform::NtVersionNumbers();
    if (!version) {
        name = "XP-";
        return;
    }
    // The R2 marker only matters for 5.2; do not ask for it otherwise.
    bool r2 = version->major == 5 && version->minor == 2 && platform::IsServerR2();
    name = OsNameForVersion(version->major, version->minor, version->build, r2);
}

bool IsWow64() {
    switch (platform::QueryWow64Process()) {
        case platform::Wow64Query::Unavailable: return false;
        case platform::Wow64Query::Emulated: return true;
        case platform::Wow64Query::Native: return false;
        case platform::Wow64Query::Failed: break;
    }
    int architecture = platform::NativeProcessorArchitecture();
    return architecture == platform::kArchitectureAmd64 || architecture == platform::kArchitectureIa64;
}

}  // namespace Utils
