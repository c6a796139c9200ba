#pragma once
// Text fields of the records should be UTF-8, but callers built for the
// Windows ANSI APIs hand over text in the system code page. Everything that
// becomes an event property passes through ToUtf8Text first.
#include <string>
#include <string_view>

namespace tessavon::tracking {

// True when text holds only tab, line feed, carriage return, printable ASCII
// and well-formed UTF-8 sequences of two to four bytes (no overlong forms, no
// surrogates, nothing above U+10FFFF).
bool IsPlainUtf8(std::string_view text);

// text itself when IsPlainUtf8 accepts it; otherwise text read as the system
// code page and converted to UTF-8.
std::string ToUtf8Text(const std::string& text);

}  // namespace tessavon::tracking
