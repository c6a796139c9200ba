#include "StatusProtocol.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "core/StageCodes.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view SkipBlanks(std::string_view value) {
    while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
    return value;
}

// Takes `key` off the front of `line`; false when the line does not begin with it.
bool TakeKey(std::string_view& line, std::string_view key) {
    if (!line.starts_with(key)) return false;
    line.remove_prefix(key.size());
    return true;
}

// Values are not trimmed; an overlong or empty value arrives as empty text.
std::string TextValue(std::string_view value, bool overlong) {
    if (overlong || StatusProtocol::Utf16Length(value) > StatusProtocol::kMaxTextUnits) return {};
    return std::string(value);
}

// "Encode=" of the package: "UTF8", "ACP" or a decimal code page. Anything
// else, including a number beyond 32 bits, means the system's ANSI code page.
std::uint32_t PackageCodePage(std::string_view value) {
    if (value == "UTF8") return StatusProtocol::kUtf8CodePage;
    std::uint32_t code_page = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), code_page);
    if (error != std::errc() || end != value.data() + value.size()) return 0;
    return code_page;
}

std::uint32_t StartupStyle(std::string_view value) {
    if (value == "AutoStartup") return 1;
    if (value == "UserStartup") return 2;
    return 0;  // "NonStartup" and anything unknown
}

}  // namespace

StatusProtocol::StatusProtocol(StatusChild child, CodePageDecoder decode) : child_(child), decode_(std::move(decode)) {}

double StatusProtocol::ParseProgress(std::string_view value) {
    value = SkipBlanks(value);
    if (value.starts_with('+')) value.remove_prefix(1);
    double number = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    // "nan" and "inf" would reach the progress bar as nonsense; they count as no number.
    if (error != std::errc() || !std::isfinite(number)) return 0;
    return number;
}

std::uint32_t StatusProtocol::ParseInt(std::string_view value) {
    value = SkipBlanks(value);
    bool negative = false;
    if (value.starts_with('+') || value.starts_with('-')) {
        negative = value.front() == '-';
        value.remove_prefix(1);
    }
    std::int64_t number = 0;
    for (char c : value) {
        if (c < '0' || c > '9') break;
        number = std::min<std::int64_t>(number * 10 + (c - '0'), std::int64_t{1} << 32);
    }
    if (negative) number = -number;
    number = std::clamp<std::int64_t>(number, std::numeric_limits<std::int32_t>::min(),
                                      std::numeric_limits<std::int32_t>::max());
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(number));
}

std::string_view StatusProtocol::Trim(std::string_view value) {
    value = SkipBlanks(value);
    while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
    return value;
}

std::size_t StatusProtocol::Utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) != 0x80) ++units;  // each character's first byte
        if (c >= 0xF0) ++units;           // beyond the basic plane: a surrogate pair
    }
    return units;
}

void StatusProtocol::Feed(std::string_view bytes, const StatusSink& sink) {
    while (!bytes.empty() && !decided_) {
        std::size_t feed = bytes.find('\n');
        std::string_view piece = bytes.substr(0, feed);
        std::size_t room = kMaxLineBytes - pending_.size();
        if (piece.size() > room) pending_overlong_ = true;
        pending_.append(piece.substr(0, std::min(room, piece.size())));
        if (feed == std::string_view::npos) return;
        bytes.remove_prefix(feed + 1);
        std::string line;
        line.swap(pending_);
        bool overlong = pending_overlong_;
        pending_overlong_ = false;
        ParseLine(line, overlong, sink);
    }
}

void StatusProtocol::Finish(const StatusSink& sink) {
    if (decided_ || (pending_.empty() && !pending_overlong_)) return;
    std::string line;
    line.swap(pending_);
    bool overlong = pending_overlong_;
    pending_overlong_ = false;
    ParseLine(line, overlong, sink);
}

void StatusProtocol::ParseLine(const std::string& raw, bool overlong, const StatusSink& sink) {
    std::string_view bytes(raw);
    bytes = bytes.substr(0, bytes.find('\0'));
    std::string text = decode_(bytes, code_page_);
    if (child_ == StatusChild::Package)
        ParsePackageLine(text, overlong, sink);
    else
        ParseUninstallerLine(text, overlong, sink);
}

void StatusProtocol::Raise(std::int32_t code, double progress, std::string message, bool decisive,
                           const StatusSink& sink) {
    decided_ = decided_ || decisive;
    sink(StatusEvent{code, progress, std::move(message)});
}

void StatusProtocol::ParsePackageLine(std::string_view line, bool overlong, const StatusSink& sink) {
    auto text = [&] { return TextValue(line, overlong); };
    auto trimmed = [&] { return std::string(Trim(text())); };
    if (TakeKey(line, "Progress=")) {
        Raise(IST_CODE_PROGRESS, ParseProgress(line), {}, false, sink);
    } else if (TakeKey(line, "InstPath=")) {
        Raise(IST_INFO_INST_PATH, 0, text(), false, sink);
    } else if (TakeKey(line, "State=")) {
        std::string state = trimmed();
        if (state == "Success") Raise(INSTALL_SUCCESS, 0, {}, true, sink);
        if (state == "Fail") Raise(IST_CODE_FAIL, 0, "安装包安装失败", true, sink);
    } else if (TakeKey(line, "InstallVersion=")) {
        // "%d.%d.%d": each number stops at its first non-digit; a missing one stays 0.
        std::uint32_t* parts[] = {&version_.major, &version_.minor, &version_.patch};
        version_ = {};
        for (auto* part : parts) {
            *part = ParseInt(line);
            auto dot = line.find('.');
            if (dot == std::string_view::npos) break;
            line.remove_prefix(dot + 1);
        }
    } else if (TakeKey(line, "ExePath=") || TakeKey(line, "StartExe=")) {
        Raise(IST_INFO_EXE_PATH, 0, text(), false, sink);
    } else if (TakeKey(line, "UninstExePath=") || TakeKey(line, "UninstExe=")) {
        Raise(IST_INFO_UNINST_EXE, 0, text(), false, sink);
    } else if (TakeKey(line, "UninstEp=")) {
        Raise(IST_INFO_UNINST_EP, 0, text(), false, sink);
    } else if (TakeKey(line, "Error=")) {
        Raise(IST_CODE_FAIL, 1000, text(), true, sink);
    } else if (TakeKey(line, "TopShowDetention=")) {
        Raise(IST_INFO_TOP_SHOW_DETENTION, ParseInt(line), {}, false, sink);
    } else if (TakeKey(line, "FinsihCloseDetention=")) {
        Raise(IST_INFO_FINISH_CLOSE_DETENTION, ParseInt(line), {}, false, sink);
    } else if (TakeKey(line, "StartUrl=")) {
        Raise(IST_INFO_START_URL, 0, text(), false, sink);
    } else if (TakeKey(line, "StartupStyle=")) {
        Raise(IST_INFO_STARTUP_STYLE, StartupStyle(trimmed()), {}, false, sink);
    } else if (TakeKey(line, "Encode=")) {
        code_page_ = PackageCodePage(trimmed());
    } else if (TakeKey(line, "Message=")) {
        Raise(IST_INFO_MESSAGE, 0, text(), false, sink);
    }
}

void StatusProtocol::ParseUninstallerLine(std::string_view line, bool overlong, const StatusSink& sink) {
    if (TakeKey(line, "Progress=")) {
        Raise(UNIST_CODE_PROGRESS, ParseProgress(line), {}, false, sink);
    } else if (TakeKey(line, "Error=")) {
        Raise(UNIST_CODE_ERROR, 0, TextValue(line, overlong), true, sink);
    } else if (TakeKey(line, "State=")) {
        std::string state(Trim(TextValue(line, overlong)));
        if (state == "Success") Raise(UNIST_CODE_SUCCESS, 0, {}, true, sink);
        if (state == "Fail") Raise(UNIST_CODE_ERROR, 0, "安装包卸载失败", true, sink);
    } else if (TakeKey(line, "Encode=")) {
        code_page_ = Trim(TextValue(line, overlong)) == "UTF8" ? kUtf8CodePage : 0;
    }
}
