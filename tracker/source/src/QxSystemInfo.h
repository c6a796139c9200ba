#pragma once
// The facts about the machine that travel with every event: the Windows
// version name, the 64-bit test, the user's locale and the browser-style
// user agent. Pure naming rules are separate from the probes so the tables
// can be checked without changing the machine.
#include <cstdint>
#include <optional>
#include <string>

namespace tessavon::tracking {

struct QxNtVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
};

// "XP", "7-32", "10", ... from the NT version numbers; "XP-" when they are
// unavailable or the major is 4 or less.
std::string WindowsVersionName(const std::optional<QxNtVersion>& version, bool is64Bit, bool serverR2);

// "Mozilla/5.0(Windows <name>; Win64;)" or "...; Win32;)".
std::string UserAgent(const std::string& versionName, bool is64Bit);

struct QxLocale {
    std::string language;
    std::string country;
    std::string locale;
};

// The locale triple: taken from `chosen` ("en_US") when it holds "_" and a
// language, otherwise from the user's system locale; all empty when neither answers.
QxLocale LocaleTriple(const std::string& chosen);

// Probes of the running machine.
std::optional<QxNtVersion> NtVersionNumbers();
bool IsSystem64Bit();
std::string CurrentWindowsVersionName();
std::int64_t ScreenWidth();
std::int64_t ScreenHeight();

// The folder analytics keeps its files under: the local application-data
// folder on Windows 7 and later, the common documents folder before; empty
// when the system cannot tell.
std::string AnalyticsBaseFolder();

// "Set.ini" beside the running executable; a file whose name differs only in
// letter case is found as well (the installer writes "set.ini").
std::string ProductSettingsFile();

// A new analytics identity: a GUID as "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX"
// (upper-case hex), or a pseudo-random id in the same layout when no GUID
// can be had.
std::string NewDistinctId();
// The pseudo-random fallback alone (process-wide generator, seeded once).
std::string FallbackDistinctId();

}  // namespace tessavon::tracking
