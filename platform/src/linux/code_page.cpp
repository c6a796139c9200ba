#include "platform/code_page.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {
namespace {

struct CodePageName {
    std::uint32_t code_page;
    const char* iconv_name;
};

// The first entry for a code page is what we hand to iconv; later entries only
// map locale codesets back to a number.
constexpr CodePageName kNames[] = {
    {65001, "UTF-8"},      {936, "GBK"},          {936, "GB2312"},       {936, "CP936"},
    {54936, "GB18030"},    {950, "BIG5"},         {950, "BIG5-HKSCS"},   {932, "CP932"},
    {932, "SHIFT_JIS"},    {949, "CP949"},        {51949, "EUC-KR"},     {51932, "EUC-JP"},
    {20127, "ASCII"},      {1200, "UTF-16LE"},    {1201, "UTF-16BE"},    {20866, "KOI8-R"},
    {21866, "KOI8-U"},     {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"}, {28595, "ISO-8859-5"},
    {28597, "ISO-8859-7"}, {28599, "ISO-8859-9"}, {28605, "ISO-8859-15"}, {874, "CP874"},
    {874, "TIS-620"},
};

// iconv's name for a code page; CP<n> covers 437, 850, 866, 1250-1258, ...
std::string IconvName(std::uint32_t code_page) {
    for (const auto& entry : kNames) {
        if (entry.code_page == code_page) return entry.iconv_name;
    }
    return "CP" + std::to_string(code_page);
}

std::uint32_t CodePageFromCodeset(const char* codeset) {
    if (codeset == nullptr) return kCodePageUtf8;
    std::string name = codeset;
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (name == "UTF8") name = "UTF-8";
    for (const auto& entry : kNames) {
        if (name == entry.iconv_name) return entry.code_page;
    }
    if (name.rfind("CP", 0) == 0) {
        char* end = nullptr;
        unsigned long number = std::strtoul(name.c_str() + 2, &end, 10);
        if (end != name.c_str() + 2 && *end == '\0') return static_cast<std::uint32_t>(number);
    }
    // ANSI_X3.4-1968 is the C locale: treat as UTF-8, the encoding of every
    // normal text on this system. Unknown codesets likewise.
    return kCodePageUtf8;
}

std::uint32_t LocaleCodePage() {
    locale_t user = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (user == static_cast<locale_t>(nullptr)) return kCodePageUtf8;
    std::uint32_t code_page = CodePageFromCodeset(::nl_langinfo_l(CODESET, user));
    ::freelocale(user);
    return code_page;
}

std::uint32_t Resolve(std::uint32_t code_page) { return code_page == kCodePageAnsi ? SystemCodePage() : code_page; }

class Converter {
public:
    Converter(const std::string& to, const std::string& from) : cd_(::iconv_open(to.c_str(), from.c_str())) {}
    ~Converter() {
        if (ok()) ::iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts `input`; `on_bad` is called with the unconvertible rest and
    // returns how many bytes to skip after appending its replacement.
    template <typename OnBad>
    std::string Run(std::string_view input, OnBad on_bad) {
        std::string out;
        out.reserve(input.size() * 2 + 16);
        char* in = const_cast<char*>(input.data());
        std::size_t in_left = input.size();
        char buffer[4096];
        bool flushing = false;
        for (;;) {
            char* dst = buffer;
            std::size_t dst_left = sizeof buffer;
            std::size_t rc = flushing ? ::iconv(cd_, nullptr, nullptr, &dst, &dst_left)
                                      : ::iconv(cd_, &in, &in_left, &dst, &dst_left);
            int error = rc == static_cast<std::size_t>(-1) ? errno : 0;
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (error == E2BIG) continue;
            if (error == EILSEQ || error == EINVAL) {
                // EINVAL: the text ends inside a character.
                std::size_t skip = on_bad(out, std::string_view(in, in_left));
                in += skip;
                in_left -= skip;
                ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial shift state
                continue;
            }
            if (flushing) return out;
            if (in_left == 0) flushing = true;
        }
    }

private:
    iconv_t cd_;
};

std::size_t Utf8SequenceLength(std::string_view text) {
    unsigned char lead = static_cast<unsigned char>(text[0]);
    std::size_t need = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (need > text.size()) return 1;
    for (std::size_t i = 1; i < need; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 1;
    }
    return need;
}

}  // namespace

std::uint32_t SystemCodePage() {
    if (const char* forced = std::getenv("QUORVANE_ANSI_CODEPAGE")) {
        char* end = nullptr;
        unsigned long number = std::strtoul(forced, &end, 10);
        if (end != forced && *end == '\0' && number != 0) return static_cast<std::uint32_t>(number);
    }
    static const std::uint32_t from_locale = LocaleCodePage();
    return from_locale;
}

bool IsCodePageSupported(std::uint32_t code_page) {
    return Converter("UTF-8", IconvName(Resolve(code_page))).ok();
}

std::optional<std::string> CodePageToUtf8(std::string_view bytes, std::uint32_t code_page) {
    Converter converter("UTF-8", IconvName(Resolve(code_page)));
    if (!converter.ok()) return std::nullopt;
    return converter.Run(bytes, [](std::string& out, std::string_view) -> std::size_t {
        out += "\xEF\xBF\xBD";  // U+FFFD for the one byte that cannot start a character
        return 1;
    });
}

std::optional<std::string> Utf8ToCodePage(std::string_view utf8, std::uint32_t code_page) {
    std::uint32_t target = Resolve(code_page);
    Converter converter(IconvName(target), "UTF-8");
    if (!converter.ok()) return std::nullopt;
    std::string question_mark = "?";
    if (target == 1200) question_mark = std::string("?\0", 2);
    if (target == 1201) question_mark = std::string("\0?", 2);
    return converter.Run(utf8, [&](std::string& out, std::string_view rest) -> std::size_t {
        out += question_mark;
        // An unmappable character is skipped whole, a broken one byte by byte.
        return Utf8SequenceLength(rest);
    });
}

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t length = Utf8SequenceLength(utf8.substr(i));
        units += length == 4 ? 2 : 1;
        i += length;
    }
    return units;
}

std::string_view TruncateToUtf16Length(std::string_view utf8, std::size_t max_units) {
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        std::size_t length = Utf8SequenceLength(utf8.substr(i));
        std::size_t cost = length == 4 ? 2 : 1;
        if (units + cost > max_units) break;
        units += cost;
        i += length;
    }
    return utf8.substr(0, i);
}

}  // namespace platform
