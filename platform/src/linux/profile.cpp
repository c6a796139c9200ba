#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <climits>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <system_error>
#include <vector>

namespace platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

enum class LineKind { Section, Key, Other };

struct Line {
    LineKind kind = LineKind::Other;
    std::string_view name;     // section or key name, trimmed
    std::string_view value;    // key value, trimmed
    std::size_t begin = 0;     // first byte of the line
    std::size_t end = 0;       // end of the text, before the line break
    std::size_t next = 0;      // first byte of the following line
    std::size_t value_at = 0;  // first byte of the value (key lines)
};

std::size_t SkipByteOrderMark(std::string_view content) { return content.starts_with("\xEF\xBB\xBF") ? 3 : 0; }

std::vector<Line> ParseLines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t at = SkipByteOrderMark(content);
    while (at < content.size()) {
        Line line;
        line.begin = at;
        std::size_t newline = content.find('\n', at);
        line.next = newline == std::string_view::npos ? content.size() : newline + 1;
        line.end = newline == std::string_view::npos ? content.size() : newline;
        if (line.end > line.begin && content[line.end - 1] == '\r') --line.end;
        std::string_view text = content.substr(line.begin, line.end - line.begin);
        std::string_view trimmed = Trim(text);
        if (trimmed.starts_with('[')) {
            std::string_view inner = trimmed.substr(1);
            std::size_t close = inner.find(']');
            line.kind = LineKind::Section;
            line.name = Trim(close == std::string_view::npos ? inner : inner.substr(0, close));
        } else if (!trimmed.empty() && trimmed.front() != ';' && trimmed.front() != '#') {
            std::size_t equals = text.find('=');
            if (equals != std::string_view::npos) {
                line.kind = LineKind::Key;
                line.name = Trim(text.substr(0, equals));
                line.value = Trim(text.substr(equals + 1));
                // A new value goes where the old one started, keeping the spacing after "=".
                line.value_at = line.begin + equals + 1;
                while (line.value_at < line.end && IsBlank(content[line.value_at])) ++line.value_at;
            }
        }
        lines.push_back(line);
        at = line.next;
    }
    return lines;
}

// Where a section's lines are: the header's index and one past its last line.
struct SectionRange {
    std::size_t header = 0;
    std::size_t end = 0;
};

std::optional<SectionRange> FindSection(const std::vector<Line>& lines, std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != LineKind::Section || !SameName(lines[i].name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && lines[end].kind != LineKind::Section) ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<Line>& lines, const SectionRange& range, std::string_view key) {
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        if (lines[i].kind == LineKind::Key && SameName(lines[i].name, key)) return i;
    }
    return std::nullopt;
}

// The whole file, or nothing when it is missing, not a regular file or unreadable.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return content;
}

// Length in bytes of the UTF-8 character at `at`, and how many UTF-16 code units
// it takes. A byte that does not start a valid sequence counts as one unit.
std::pair<std::size_t, std::size_t> NextCharacter(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = lead < 0x80           ? 1
                         : (lead >> 5) == 0x6  ? 2
                         : (lead >> 4) == 0xE  ? 3
                         : (lead >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 0 || at + length > text.size()) return {1, 1};
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return {1, 1};
    }
    return {length, length == 4 ? 2 : 1};
}

std::string CutToUtf16Units(std::string_view text, std::size_t max_units) {
    std::size_t at = 0;
    std::size_t units = 0;
    while (at < text.size()) {
        auto [bytes, width] = NextCharacter(text, at);
        if (units + width > max_units) break;
        units += width;
        at += bytes;
    }
    return std::string(text.substr(0, at));
}

std::string_view StripQuotes(std::string_view value) {
    if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::optional<std::string> FindValue(const std::filesystem::path& file, std::string_view section,
                                     std::string_view key) {
    std::optional<std::string> content = ReadWholeFile(file);
    if (!content) return std::nullopt;
    std::vector<Line> lines = ParseLines(*content);
    std::optional<SectionRange> range = FindSection(lines, Trim(section));
    if (!range) return std::nullopt;
    std::optional<std::size_t> index = FindKey(lines, *range, Trim(key));
    if (!index) return std::nullopt;
    return std::string(lines[*index].value);
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Writes `content` beside `file` and renames it over `file`: readers see the old
// or the new file, never a mix. The old file's permissions are kept.
bool ReplaceFile(const std::filesystem::path& file, std::string_view content, std::optional<mode_t> mode) {
    std::random_device random;
    std::filesystem::path temp = file;
    temp += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(random());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode.value_or(0666));
    if (fd < 0) return false;
    bool ok = (!mode || ::fchmod(fd, *mode) == 0) && WriteAll(fd, content) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temp.c_str(), file.c_str()) == 0) return true;
    ::unlink(temp.c_str());
    return false;
}

std::mutex& WriteLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

std::string GetProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                             std::string_view default_value, std::size_t buffer_size) {
    if (buffer_size == 0) return {};
    std::optional<std::string> value = FindValue(file, section, key);
    std::string_view text = value ? StripQuotes(*value) : default_value;
    return CutToUtf16Units(text, buffer_size - 1);
}

int GetProfileInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
                  int default_value) {
    std::optional<std::string> value = FindValue(file, section, key);
    if (!value || value->empty()) return default_value;
    std::string_view text = *value;
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    if (digits == 0) return 0;
    // Parse with the sign so that INT_MIN fits; a number beyond 32 bits keeps the default.
    std::string number = (negative ? "-" : "") + std::string(text.substr(0, digits));
    int result = 0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), result);
    (void)end;
    return error == std::errc() ? result : default_value;
}

bool WriteProfileString(const std::filesystem::path& requested, std::string_view section, std::string_view key,
                        std::optional<std::string_view> value) {
    section = Trim(section);
    key = Trim(key);
    if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) ||
        (value && HasLineBreak(*value)) || section.find(']') != std::string_view::npos ||
        key.find('=') != std::string_view::npos || key.starts_with('[') || key.starts_with(';') ||
        key.starts_with('#')) {
        return false;
    }

    std::lock_guard<std::mutex> guard(WriteLock());
    std::error_code error;
    // Write through a symbolic link to its target rather than replacing the link.
    std::filesystem::path file = requested;
    if (std::filesystem::is_symlink(requested, error)) {
        file = std::filesystem::weakly_canonical(requested, error);
        if (error) return false;
    }
    std::string content;
    std::optional<mode_t> mode;
    std::filesystem::file_status status = std::filesystem::status(file, error);
    if (std::filesystem::exists(status)) {
        std::optional<std::string> existing = ReadWholeFile(file);
        if (!existing) return false;  // never replace what could not be read
        content = std::move(*existing);
        mode = static_cast<mode_t>(status.permissions() & std::filesystem::perms::mask);
    }

    const std::string eol = content.find("\r\n") != std::string::npos ? "\r\n"
                            : content.find('\n') != std::string::npos ? "\n"
                                                                      : "\r\n";
    std::vector<Line> lines = ParseLines(content);
    std::optional<SectionRange> range = FindSection(lines, section);
    std::optional<std::size_t> index = range ? FindKey(lines, *range, key) : std::nullopt;

    if (index) {
        const Line& line = lines[*index];
        if (value) {
            content.replace(line.value_at, line.end - line.value_at, *value);
        } else {
            content.erase(line.begin, line.next - line.begin);
        }
    } else if (!value) {
        return true;  // nothing to remove
    } else if (range) {
        // After the section's last non-blank line, so blank separators stay below it.
        std::size_t last = range->header;
        for (std::size_t i = range->header + 1; i < range->end; ++i) {
            if (!Trim(std::string_view(content).substr(lines[i].begin, lines[i].end - lines[i].begin)).empty())
                last = i;
        }
        std::size_t at = lines[last].next;
        std::string insert = std::string(key) + "=" + std::string(*value) + eol;
        if (lines[last].next == lines[last].end) insert = eol + insert;  // the file ended without a line break
        content.insert(at, insert);
    } else {
        if (!content.empty() && content.back() != '\n') content += eol;
        content += "[" + std::string(section) + "]" + eol + std::string(key) + "=" + std::string(*value) + eol;
    }
    return ReplaceFile(file, content, mode);
}

}  // namespace platform
