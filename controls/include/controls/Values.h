#pragma once
// Parsers for the markup's value syntaxes. Each returns nothing for a value
// that does not parse, so the caller can leave its setting unchanged.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "controls/Geometry.h"

namespace Controls {

using Color = std::uint32_t;  // ARGB: alpha in the top byte

// "#AARRGGBB", "0xAARRGGBB" or bare hex; at most eight hex digits.
std::optional<Color> ParseColor(std::string_view text);
// Pixel coordinates and sizes beyond this are not screen geometry and are refused.
inline constexpr int kMaxCoordinate = 1000000;
// A decimal integer within ±kMaxCoordinate.
std::optional<int> ParseCoordinate(std::string_view text);
// "l,t,r,b": four coordinates separated by single commas.
std::optional<Rect> ParseRect(std::string_view text);
// "w,h".
std::optional<Size> ParseSize(std::string_view text);
// A whole decimal integer (optional sign).
std::optional<int> ParseInt(std::string_view text);
// Only the exact text "true" is true.
inline bool ParseBool(std::string_view text) { return text == "true"; }

bool EqualsNoCase(std::string_view a, std::string_view b);
std::string ToLower(std::string_view text);

// Decodes the five standard XML entities; any other '&' stays as it is.
std::string DecodeEntities(std::string_view text);

}  // namespace Controls

namespace Controls {
// `text` with every invalid UTF-8 sequence replaced by U+FFFD, so that text
// from markup or callers can never upset the text engine.
std::string ValidUtf8(std::string_view text);
}  // namespace Controls
