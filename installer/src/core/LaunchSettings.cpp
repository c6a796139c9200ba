#include "core/LaunchSettings.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>
#include <type_traits>

#include "core/Hosts.h"
#include "platform/module_path.h"
#include "platform/profile.h"
#include "utils/SystemInfo.h"

namespace {

// A number read from the start of a text, the way the C library's conversions
// read it: leading white space and a sign allowed, anything after the digits ignored.
template <typename Number>
struct LeadingNumber {
    enum class Kind { Value, NotANumber, OutOfRange } kind;
    Number value{};
};

std::string_view SkipLeadingSpace(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || (text.front() >= '\t' && text.front() <= '\r'))) {
        text.remove_prefix(1);
    }
    return text;
}

template <typename Number>
LeadingNumber<Number> ReadLeadingNumber(std::string_view text) {
    using Result = LeadingNumber<Number>;
    text = SkipLeadingSpace(text);
    // from_chars takes a minus but no plus.
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-')) return {Result::Kind::NotANumber};
    }
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) return {Result::Kind::OutOfRange};
    if (error != std::errc()) return {Result::Kind::NotANumber};
    if constexpr (std::is_floating_point_v<Number>) {
        // "inf" and "nan" parse, but no share of a progress bar can be either.
        if (!std::isfinite(value)) return {Result::Kind::OutOfRange};
    }
    return {Result::Kind::Value, value};
}

bool IsTrue(std::string_view text) { return text == "true"; }

bool IsReadableFile(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return false;
    std::ifstream probe(file, std::ios::binary);
    return probe.good();
}

const std::string* Find(const SwitchMap& switches, const char* key) {
    auto found = switches.find(key);
    return found == switches.end() ? nullptr : &found->second;
}

}  // namespace

LaunchSettings::LaunchSettings() { SetDownloadUrl(Hosts::kDefaultPackageUrl); }

LaunchSettings LaunchSettings::ForExecutable(const std::filesystem::path& executable) {
    LaunchSettings settings;
    // Without a known executable there is no folder to look in; never fall back
    // to the current folder, which may belong to anyone.
    if (executable.empty() || !executable.has_filename()) return settings;
    settings.InstallerFileName = executable.filename().string();
    std::filesystem::path file = executable.parent_path() / kSettingsFileName;
    std::error_code error;
    if (std::filesystem::exists(file, error)) settings.LoadSettingsFile(file);
    return settings;
}

void LaunchSettings::LoadSettingsFile(const std::filesystem::path& file) {
    // An unreadable file (no permission, a folder of that name) is as good as
    // none: the built-in defaults stand rather than the per-key ones.
    if (!IsReadableFile(file)) return;
    auto text = [&](const char* key, const char* fallback) {
        return platform::GetProfileString(file, kSection, key, fallback);
    };
    SetDownloadUrl(text("DownloadUrl", Hosts::kDefaultPackageUrl));
    // A number beyond 32 bits gives the key's default, which is also the value
    // it had before.
    DownloadType = platform::GetProfileInt(file, kSection, "DownloadType", 1);
    IsCheckNet = IsTrue(text("IsCheckNet", "true"));
    IsEnableAppAnalytics = IsTrue(text("IsEnableAppAnalytics", "true"));
    DlAppNameSuffix = text("DlAppNameSuffix", ".downloader");
    m_DlAppVersion = text("m_DlAppVersion", "");
    const auto scale = ReadLeadingNumber<double>(text("DownloadScale", "0.7"));
    switch (scale.kind) {
        case LeadingNumber<double>::Kind::Value:
            DownloadScale = scale.value;
            break;
        case LeadingNumber<double>::Kind::NotANumber:
            DownloadScale = 0.0;
            break;
        case LeadingNumber<double>::Kind::OutOfRange:
            break;
    }
    InstCmd = text("InstCmd", "");
}

void LaunchSettings::ApplySwitches(const SwitchMap& switches) {
    if (const std::string* value = Find(switches, "-downloadurl")) SetDownloadUrl(*value);
    if (const std::string* value = Find(switches, "-downloadtype")) {
        const auto type = ReadLeadingNumber<std::int32_t>(*value);
        if (type.kind == LeadingNumber<std::int32_t>::Kind::Value) DownloadType = type.value;
        if (type.kind == LeadingNumber<std::int32_t>::Kind::NotANumber) DownloadType = 0;
    }
    if (const std::string* value = Find(switches, "-downloadscale")) {
        // Anything but a usable number keeps the share as it was.
        const auto scale = ReadLeadingNumber<double>(*value);
        if (scale.kind == LeadingNumber<double>::Kind::Value) DownloadScale = scale.value;
    }
    if (const std::string* value = Find(switches, "-ischecknet")) IsCheckNet = IsTrue(*value);
    if (const std::string* value = Find(switches, "-isenableappanalytics")) IsEnableAppAnalytics = IsTrue(*value);
    if (const std::string* value = Find(switches, "-dlappnamesuffix")) DlAppNameSuffix = *value;
    if (const std::string* value = Find(switches, "-dlappversion")) m_DlAppVersion = *value;
    if (const std::string* value = Find(switches, "-instcmd")) InstCmd = *value;
}

void LaunchSettings::SetDownloadUrl(const std::string& url) { DownloadUrl = ResolveRoute(url); }

std::string ResolveRoute(const std::string& text) {
    static constexpr std::string_view kMarker = "${ROUTE}";
    if (text.find(kMarker) == std::string::npos) return text;
    std::string family, name;
    Utils::GetOsName(family, name);
    const std::string route = name.find("XP") != std::string::npos ? "download_silent_xp" : "download_silent";
    std::string result = text;
    // The route holds no marker, so searching on after each replacement finds
    // the same occurrences as searching again from the start.
    for (std::size_t at = result.find(kMarker); at != std::string::npos; at = result.find(kMarker, at + route.size())) {
        result.replace(at, kMarker.size(), route);
    }
    return result;
}

LaunchSettings& TheLaunchSettings() {
    static LaunchSettings settings = LaunchSettings::ForExecutable(platform::ModulePath());
    return settings;
}

namespace {
// Build the settings during static initialisation, before the entry routine
// and before any thread exists, so later readers never race the construction.
[[maybe_unused]] const bool kSettingsBuiltBeforeMain = (TheLaunchSettings(), true);
}  // namespace
