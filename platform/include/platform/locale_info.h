#pragma once
// The user's locale as ISO names, the way Windows reports LOCALE_SISO639LANGNAME
// and LOCALE_SISO3166CTRYNAME for the user default locale.
//
// Taken from the POSIX locale variables, first set one wins: LC_ALL,
// LC_MESSAGES, LANG ("zh_CN.UTF-8" → "zh", "CN"). The C/POSIX locale and a
// name without a country answer nothing. Thread-safe as long as nobody
// changes the environment concurrently.
#include <optional>
#include <string>

namespace platform {

struct LocaleNames {
    std::string language;  // ISO 639, e.g. "zh"
    std::string country;   // ISO 3166, e.g. "CN"
};

std::optional<LocaleNames> UserLocaleNames();

}  // namespace platform
