#include "QxSystemInfo.h"

#include <cstdio>
#include <mutex>
#include <random>

#include "platform/guid.h"
#include "platform/locale_info.h"
#include "platform/module_path.h"
#include "platform/paths.h"
#include "platform/screen_metrics.h"
#include "platform/special_folders.h"
#include "platform/windows_version.h"

namespace tessavon::tracking {
namespace {

// A GUID of nothing but zero bits is what a failed creation leaves behind.
bool IsNullGuid(const platform::Guid& guid) {
    if (guid.data1 != 0 || guid.data2 != 0 || guid.data3 != 0) return false;
    for (std::uint8_t byte : guid.data4)
        if (byte != 0) return false;
    return true;
}

}  // namespace

std::string WindowsVersionName(const std::optional<QxNtVersion>& version, bool is64Bit, bool serverR2) {
    if (!version || version->major <= 4) return "XP-";
    const auto [major, minor, build] = *version;
    if (major == 5) {
        if (minor == 0) return "2K";
        if (minor == 1) return "XP";
        if (minor == 2) return is64Bit ? "XP64" : serverR2 ? "Server 2003 R2" : "Server 2003";
        return "XP+";
    }
    if (major == 6) {
        if (minor == 0) return is64Bit ? "Vista64" : "Vista";
        if (minor == 1) return is64Bit ? "7" : "7-32";
        if (minor == 2) return is64Bit ? "8" : "8-32";
        if (minor == 3) return "8.1";
        return "8.1+";
    }
    if (major == 10) return minor == 0 ? "10" : "10+";
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build & 0xFFFF);
}

std::string UserAgent(const std::string& versionName, bool is64Bit) {
    return "Mozilla/5.0(Windows " + versionName + "; Win" + (is64Bit ? "64;)" : "32;)");
}

std::optional<QxNtVersion> NtVersionNumbers() {
    const auto version = platform::NtVersionNumbers();
    if (!version) return std::nullopt;
    return QxNtVersion{version->major, version->minor, version->build};
}

bool IsSystem64Bit() {
    // A process emulated as 32-bit proves a 64-bit system. A native process
    // proves nothing by itself (a 64-bit build on a 64-bit system is native
    // too), so the processor architecture decides then.
    if (platform::QueryWow64Process() == platform::Wow64Query::Emulated) return true;
    const int architecture = platform::NativeProcessorArchitecture();
    return architecture == platform::kArchitectureAmd64 || architecture == platform::kArchitectureIa64;
}

std::string CurrentWindowsVersionName() {
    const bool is64 = IsSystem64Bit();
    return WindowsVersionName(NtVersionNumbers(), is64, platform::IsServerR2());
}

QxLocale LocaleTriple(const std::string& chosen) {
    const auto underscore = chosen.find('_');
    if (underscore != std::string::npos && underscore > 0)
        return {chosen.substr(0, underscore), chosen.substr(underscore + 1), chosen};
    const auto names = platform::UserLocaleNames();
    if (!names) return {};
    return {names->language, names->country, names->language + "_" + names->country};
}

std::int64_t ScreenWidth() { return platform::PrimaryScreenSize().width; }
std::int64_t ScreenHeight() { return platform::PrimaryScreenSize().height; }

std::string AnalyticsBaseFolder() {
    const auto version = NtVersionNumbers();
    const bool sevenOrLater = version && (version->major > 6 || (version->major == 6 && version->minor != 0));
    const auto folder = platform::GetSpecialFolder(sevenOrLater ? platform::SpecialFolder::LocalAppData
                                                                : platform::SpecialFolder::CommonDocuments);
    return folder.value_or(std::string());
}

std::string ProductSettingsFile() {
    // The installer writes "set.ini"; on Windows the file system does not
    // tell the two spellings apart, here the look-up has to.
    const auto folder = platform::ModuleFolder();
    if (folder.empty()) return {};
    return platform::FindPathIgnoringCase((folder / "Set.ini").string()).value_or(std::string());
}

std::string FallbackDistinctId() {
    // One generator for the process, default-seeded, as the id layout only
    // needs to look like a GUID when the system cannot make one.
    static std::mutex lock;
    static std::mt19937 generator;
    static std::uniform_int_distribution<std::uint32_t> distribution(0, 2147483646);
    std::uint32_t d[8];
    {
        std::lock_guard guard(lock);
        for (auto& draw : d) draw = distribution(generator);
    }
    char text[128];
    std::snprintf(text, sizeof text, "%x%x-%x-%x-%x-%x%x%x", d[7], d[6], d[5], (d[4] & 0xFFFu) | 0x4000u,
                  (d[3] % 0x3FFFu) + 0x8000u, d[2], d[1], d[0]);
    return text;
}

std::string NewDistinctId() {
    for (int attempt = 0; attempt < 10; ++attempt) {
        const platform::Guid created = platform::NewGuid();
        if (!IsNullGuid(created)) {
            const platform::Guid* guid = &created;
            char text[40];
            std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", guid->data1,
                          guid->data2, guid->data3, guid->data4[0], guid->data4[1], guid->data4[2], guid->data4[3],
                          guid->data4[4], guid->data4[5], guid->data4[6], guid->data4[7]);
            return text;
        }
    }
    return FallbackDistinctId();
}

}  // namespace tessavon::tracking
