#pragma once
// Profile (INI) files with the semantics of the Windows profile functions, so
// settings files written for the Windows installer read the same here.
//
// - "[Section]" lines open sections; "key=value" lines belong to the last one.
//   Lines before the first section, lines without "=", and comment lines
//   (";" or "#") name no readable key. Names compare without regard to ASCII case;
//   blanks around names and values are ignored. The first matching section and,
//   within it, the first matching key win.
// - Files are UTF-8 (a leading byte-order mark is skipped), lines end in LF or
//   CR LF. Unreadable, missing or binary files never fail: readers get defaults.
// - Writes change only the one line concerned and keep every other byte of the
//   file; the new file replaces the old one atomically (temporary file + rename),
//   so a crash never leaves a half-written file.
// All functions are thread-safe; writes to the same file from one process are serialised.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The profile functions' usual buffer: 260 characters, so 259 of text.
constexpr std::size_t kProfileBufferSize = 260;

// The value of `key` in `section`, or `default_value` when the file, the section
// or the key is missing. A value wrapped in a matching pair of quotes (" or ')
// loses them. The result is cut to buffer_size - 1 characters, counted in UTF-16
// code units like the Windows buffer, never inside a character.
std::string GetProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                             std::string_view default_value, std::size_t buffer_size = kProfileBufferSize);

// The value of `key` read as a decimal integer: an optional sign and the leading
// digits (0 when there are none). `default_value` when the key is missing or its
// value is empty, and also when the number does not fit in 32 bits.
int GetProfileInt(const std::filesystem::path& file, std::string_view section, std::string_view key, int default_value);

// Sets `key` in `section` to `value`, creating the file, the section or the key
// as needed; an empty optional removes the key. False when the file cannot be
// read or replaced, or when a name or the value holds a line break (which would
// smuggle other keys into the file) or a name cannot be read back ("=" in a key,
// "]" in a section, empty names).
bool WriteProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::optional<std::string_view> value);

}  // namespace platform
