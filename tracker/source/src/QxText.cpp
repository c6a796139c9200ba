#include "QxText.h"

#include <cstdint>

#include "platform/code_page.h"

namespace tessavon::tracking {

bool IsPlainUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    auto continuation = [&](std::size_t at, std::uint8_t low = 0x80, std::uint8_t high = 0xBF) {
        return at < size && bytes[at] >= low && bytes[at] <= high;
    };
    while (i < size) {
        const std::uint8_t b = bytes[i];
        if (b == '\t' || b == '\n' || b == '\r' || (b >= 0x20 && b <= 0x7E)) {
            i += 1;
        } else if (b >= 0xC2 && b <= 0xDF) {
            if (!continuation(i + 1)) return false;
            i += 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            // E0 would allow overlong forms below A0, ED the surrogates from A0.
            const std::uint8_t low = b == 0xE0 ? 0xA0 : 0x80;
            const std::uint8_t high = b == 0xED ? 0x9F : 0xBF;
            if (!continuation(i + 1, low, high) || !continuation(i + 2)) return false;
            i += 3;
        } else if (b >= 0xF0 && b <= 0xF4) {
            // F0 below 90 is overlong; F4 from 90 lies above U+10FFFF.
            const std::uint8_t low = b == 0xF0 ? 0x90 : 0x80;
            const std::uint8_t high = b == 0xF4 ? 0x8F : 0xBF;
            if (!continuation(i + 1, low, high) || !continuation(i + 2) || !continuation(i + 3)) return false;
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

std::string ToUtf8Text(const std::string& text) {
    if (IsPlainUtf8(text)) return text;
    // Only an unknown system code page yields nothing; the text is then kept
    // as it is and the client decides whether it can be sent.
    return platform::CodePageToUtf8(text, platform::kCodePageAnsi).value_or(text);
}

}  // namespace tessavon::tracking
