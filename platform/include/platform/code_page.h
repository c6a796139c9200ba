#pragma once
// Code pages: Windows numbers for the encodings of 8-bit text, converted
// to and from our UTF-8 with iconv.
//
// The system ("ANSI") code page is the codeset of the user's locale
// (LC_ALL / LC_CTYPE / LANG): UTF-8 → 65001, GBK → 936, ... The C/POSIX
// locale counts as UTF-8, as every normal system text here is.
// QUORVANE_ANSI_CODEPAGE=<number> overrides it (tests: 936).
//
// Conversions never fail on bad input: a byte sequence that is not valid in
// the source code page becomes U+FFFD and the rest of the text is converted
// as usual; a character the target code page cannot hold becomes '?'.
// Thread-safe.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::uint32_t kCodePageAnsi = 0;  // stands for SystemCodePage()
inline constexpr std::uint32_t kCodePageUtf8 = 65001;

std::uint32_t SystemCodePage();

// Whether the code page (0 = the system code page) can be converted.
bool IsCodePageSupported(std::uint32_t code_page);

// `bytes` in `code_page` (0 = the system code page) as UTF-8. Empty optional
// only when the code page is unknown.
std::optional<std::string> CodePageToUtf8(std::string_view bytes, std::uint32_t code_page);

// UTF-8 text in `code_page`. Empty optional only when the code page is unknown.
std::optional<std::string> Utf8ToCodePage(std::string_view utf8, std::uint32_t code_page);

// Length of UTF-8 text in UTF-16 code units, which is how Windows counts
// characters (a character outside the basic plane counts twice). Invalid
// bytes count one each.
std::size_t Utf16Length(std::string_view utf8);

// The longest prefix of `utf8` of at most `max_units` UTF-16 code units that
// does not split a character.
std::string_view TruncateToUtf16Length(std::string_view utf8, std::size_t max_units);

}  // namespace platform
