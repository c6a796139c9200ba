#pragma once
// Name comparison the way Windows compares registry and file names, limited
// to ASCII letters: other bytes (UTF-8 sequences) must match exactly.
#include <algorithm>
#include <string_view>

namespace platform {

inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

}  // namespace platform
