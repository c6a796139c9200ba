#include "utils/SystemChecks.h"

#include <cstdio>
#include <filesystem>

#include "platform/code_page.h"
#include "platform/connectivity.h"
#include "platform/guid.h"
#include "platform/special_folders.h"
#include "utils/DiagLog.h"

namespace Utils {
namespace {

namespace fs = std::filesystem;

constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);

// Creates one folder unless something of that name is already there.
bool EnsureExists(const fs::path& folder) {
    std::error_code error;
    if (fs::exists(fs::symlink_status(folder, error))) return true;
    return fs::create_directory(folder, error) || fs::is_directory(folder, error);
}

}  // namespace

std::string GetTempFolder() {
    auto temp = platform::GetSpecialFolder(platform::SpecialFolder::Temp);
    if (!temp) return {};
    std::string folder = *temp;
    if (folder.empty() || folder.back() != kSeparator) folder += kSeparator;
    folder += "~TessaVonTemp.92482B06FB471E17";
    folder += kSeparator;
    // The folder has to fit a 260-character buffer with its terminating zero.
    if (platform::Utf16Length(folder) > kMaxPathLength - 1) return {};
    std::error_code error;
    if (!fs::is_directory(folder, error) && !fs::create_directory(folder, error) && !fs::is_directory(folder, error))
        return {};
    return folder;
}

bool CreateDirectories(const std::string& path) {
    if (path.empty() || platform::Utf16Length(path) > kMaxPathLength) return false;
    // Each prefix ending at a separator, then the whole path, as a folder.
    for (std::size_t at = path.find(kSeparator); at != std::string::npos; at = path.find(kSeparator, at + 1)) {
        std::string prefix = path.substr(0, at + 1);
        if (prefix.find_first_not_of(kSeparator) == std::string::npos) continue;  // the root always exists
        if (!EnsureExists(prefix)) return false;
    }
    if (path.back() != kSeparator && !EnsureExists(path)) return false;
    // A file where the last folder should be is no success.
    std::error_code error;
    return fs::is_directory(path, error);
}

std::uint32_t CheckNetwork() {
    auto state = platform::QueryConnectivity();
    if (!state) return 0;
    std::uint32_t verdict = 0;
    if (state->flags == platform::kConnectivityDisconnected) {
        DIAG_LOG("GetConnectivity %d", static_cast<int>(state->flags));
        verdict = 1;
    } else if (!state->internet) {
        DIAG_LOG("get_IsConnectedToInternet:%d", 0);
        verdict = 2;
    }
    return (state->flags & 0xFFFFu) | verdict << 16;
}

std::string NewGuidText() {
    platform::Guid guid = platform::NewGuid();
    char text[33];
    std::snprintf(text, sizeof text, "%08X%04X%04x%02X%02X%02X%02X%02X%02X%02X%02X", guid.data1, guid.data2,
                  guid.data3, guid.data4[0], guid.data4[1], guid.data4[2], guid.data4[3], guid.data4[4],
                  guid.data4[5], guid.data4[6], guid.data4[7]);
    return text;
}

}  // namespace Utils
