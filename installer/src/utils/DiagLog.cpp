#include "utils/DiagLog.h"

#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "platform/debug_channel.h"
#include "platform/process_info.h"

namespace diag_log_detail {
namespace {

bool EndsWith(const std::string& text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Qualifiers that may follow a member function's parameter list.
std::string StripTrailingQualifiers(std::string text) {
    static constexpr std::string_view kQualifiers[] = {" const", " volatile", " &&", " &", " noexcept", " override"};
    for (bool changed = true; changed;) {
        changed = false;
        for (auto qualifier : kQualifiers) {
            if (EndsWith(text, qualifier)) {
                text.resize(text.size() - qualifier.size());
                changed = true;
            }
        }
    }
    return text;
}

// Removes every parenthesised group (parameter lists, lambda signatures) but
// keeps the "()" of a call operator's name.
std::string DropParameterLists(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (EndsWith(out, "operator") && c != ' ' && c != '(') {
            // Operator symbols such as "<<" or "[]" must not count as brackets.
            while (i < text.size() && text[i] != '(') out += text[i++];
            --i;
            continue;
        }
        if (c == '(') {
            bool call_operator = EndsWith(out, "operator") && i + 1 < text.size() && text[i + 1] == ')';
            if (call_operator) {
                out += "()";
                ++i;
                continue;
            }
            int depth = 0;
            for (; i < text.size(); ++i) {
                if (text[i] == '(') ++depth;
                if (text[i] == ')' && --depth == 0) break;
            }
            continue;
        }
        out += c;
    }
    return out;
}

// Everything before the last top-level blank is the return type and specifiers.
std::string DropReturnType(const std::string& text) {
    int angle = 0;
    std::size_t cut = std::string::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '<') ++angle;
        if (c == '>' && angle > 0) --angle;
        if (c == ' ' && angle == 0 && !EndsWith(text.substr(0, i), "operator")) cut = i;
    }
    return cut == std::string::npos ? text : text.substr(cut + 1);
}

}  // namespace

std::string PlaceFromSignature(const std::string& signature) {
    std::string text = signature;
    if (auto with = text.find(" [with "); with != std::string::npos) text.resize(with);
    text = DropReturnType(DropParameterLists(StripTrailingQualifiers(text)));
    if (EndsWith(text, "<lambda>")) text += "::operator ()";
    return text;
}

std::string FormatRecord(unsigned process_id, unsigned thread_id, const std::string& place, int line,
                         const char* format, va_list args) {
    platform::LocalTime t = platform::LocalTimeNow();
    char prefix_format[] = "<P%05u><T%05u><%04d-%02d-%02d %02d:%02d:%02d.%03d>(%s)<%04d>: ";
    int prefix_length = std::snprintf(nullptr, 0, prefix_format, process_id, thread_id, t.year, t.month, t.day,
                                      t.hour, t.minute, t.second, t.millisecond, place.c_str(), line);
    va_list counting;
    va_copy(counting, args);
    int message_length = std::vsnprintf(nullptr, 0, format, counting);
    va_end(counting);
    if (prefix_length < 0 || message_length < 0) return {};

    std::size_t format_length = std::strlen(format);
    bool has_line_end = format_length > 0 && format[format_length - 1] == '\n';

    // One exactly sized buffer per record.
    std::string record(static_cast<std::size_t>(prefix_length + message_length) + 1, '\0');
    std::snprintf(record.data(), record.size(), prefix_format, process_id, thread_id, t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.millisecond, place.c_str(), line);
    va_list formatting;
    va_copy(formatting, args);
    std::vsnprintf(record.data() + prefix_length, record.size() - static_cast<std::size_t>(prefix_length), format,
                   formatting);
    va_end(formatting);
    record.resize(record.size() - 1);
    if (!has_line_end) record += "\r\n";
    return record;
}

}  // namespace diag_log_detail

void DiagLog(const char* function_signature, int line, const char* format, ...) {
    try {
        va_list args;
        va_start(args, format);
        std::string record =
            diag_log_detail::FormatRecord(platform::CurrentProcessId(), platform::CurrentThreadId(),
                                          diag_log_detail::PlaceFromSignature(function_signature), line, format, args);
        va_end(args);
        if (!record.empty()) platform::WriteDebugRecord(record);
    } catch (...) {
        // Out of memory: the record is lost, the caller is not affected.
    }
}
