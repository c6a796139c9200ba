#include "controls/Values.h"

#include <array>
#include <charconv>
#include <vector>

namespace Controls {
namespace {

// Splits on single commas; an empty part makes the value invalid.
std::optional<std::vector<int>> ParseInts(std::string_view text, std::size_t count) {
  std::vector<int> out;
  std::size_t start = 0;
  while (true) {
    std::size_t comma = text.find(',', start);
    std::string_view part = text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    auto value = ParseCoordinate(part);
    if (!value) return std::nullopt;
    out.push_back(*value);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (out.size() != count) return std::nullopt;
  return out;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::optional<int> ParseInt(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  int value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<int> ParseCoordinate(std::string_view text) {
  auto value = ParseInt(text);
  if (!value || *value > kMaxCoordinate || *value < -kMaxCoordinate) return std::nullopt;
  return value;
}

std::optional<Color> ParseColor(std::string_view text) {
  if (!text.empty() && text.front() == '#') {
    text.remove_prefix(1);
  } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 8) return std::nullopt;
  Color value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<Rect> ParseRect(std::string_view text) {
  auto v = ParseInts(text, 4);
  if (!v) return std::nullopt;
  return Rect{(*v)[0], (*v)[1], (*v)[2], (*v)[3]};
}

std::optional<Size> ParseSize(std::string_view text) {
  auto v = ParseInts(text, 2);
  if (!v) return std::nullopt;
  return Size{(*v)[0], (*v)[1]};
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::string ToLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Lower(c);
  return out;
}

std::string DecodeEntities(std::string_view text) {
  static constexpr std::array<std::pair<std::string_view, char>, 5> kEntities{{
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}}};
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    bool decoded = false;
    if (text[i] == '&') {
      for (const auto& [entity, ch] : kEntities) {
        if (text.substr(i, entity.size()) == entity) {
          out.push_back(ch);
          i += entity.size();
          decoded = true;
          break;
        }
      }
    }
    if (!decoded) out.push_back(text[i++]);
  }
  return out;
}

}  // namespace Controls

namespace Controls {

std::string ValidUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    bool ok = len > 0 && i + len <= s.size() && c != 0;
    std::uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (std::size_t k = 1; ok && k < len; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not text.
    if (ok && ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
               (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)) {
      ok = false;
    }
    if (ok) {
      out.append(s.substr(i, len));
      i += len;
    } else {
      out.append("\xEF\xBF\xBD");
      ++i;
    }
  }
  return out;
}

}  // namespace Controls
