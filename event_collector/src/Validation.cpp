#include "event_collector/Validation.h"

#include <iostream>

namespace event_collector {

namespace {

constexpr std::size_t kMaxIdentifierBytes = 255;
constexpr std::size_t kMaxKeyBytes = 100;
constexpr std::size_t kMaxStringBytes = 8192;

bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsContinuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

}  // namespace

bool CheckIdentifier(std::string_view name, const std::string& value) {
    if (value.empty()) {
        std::cerr << "The " << name << " is empty." << std::endl;
        return false;
    }
    if (value.size() > kMaxIdentifierBytes) {
        std::cerr << "The " << name << " is too long, max length is 255." << std::endl;
        return false;
    }
    return CheckIdentifierText(name, value);
}

bool CheckIdentifierText(std::string_view name, const std::string& value) {
    if (!IsValidUtf8(value)) {
        std::cerr << "The " << name << " is not valid UTF-8 string." << std::endl;
        return false;
    }
    return true;
}

bool CheckKey(std::string_view name, const std::string& key) {
    if (key.empty() || key.size() > kMaxKeyBytes) {
        std::cerr << "The " << name << " is empty or too long, max length is 100";
        return false;
    }
    for (std::size_t i = 0; i < key.size(); ++i) {
        const auto c = static_cast<unsigned char>(key[i]);
        const bool ok = IsLetter(c) || c == '$' || c == '_' || (i > 0 && IsDigit(c));
        if (!ok) {
            std::cerr << "The " << name << " need to be a valid variable name.";
            return false;
        }
    }
    return true;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    while (i < n) {
        const unsigned char c = at(i);
        if (c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c <= 0x7E)) {
            ++i;
            continue;
        }
        // The first continuation byte's range excludes overlong forms (E0, F0),
        // surrogates (ED) and code points past U+10FFFF (F4).
        unsigned char firstLow = 0x80, firstHigh = 0xBF;
        std::size_t continuations = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            continuations = 1;
        } else if (c == 0xE0) {
            continuations = 2, firstLow = 0xA0;
        } else if ((c >= 0xE1 && c <= 0xEC) || c == 0xEE || c == 0xEF) {
            continuations = 2;
        } else if (c == 0xED) {
            continuations = 2, firstHigh = 0x9F;
        } else if (c == 0xF0) {
            continuations = 3, firstLow = 0x90;
        } else if (c >= 0xF1 && c <= 0xF3) {
            continuations = 3;
        } else if (c == 0xF4) {
            continuations = 3, firstHigh = 0x8F;
        } else {
            return false;
        }
        if (n - i - 1 < continuations) return false;
        const unsigned char first = at(i + 1);
        if (first < firstLow || first > firstHigh) return false;
        for (std::size_t k = 2; k <= continuations; ++k) {
            if (!IsContinuation(at(i + k))) return false;
        }
        i += continuations + 1;
    }
    return true;
}

bool CheckStringValue(const std::string& key, const std::string& value) {
    if (value.size() > kMaxStringBytes) {
        std::cerr << "String property '" << key << "' is too long, value: " << value << std::endl;
        return false;
    }
    return CheckUtf8Value(key, value);
}

bool CheckUtf8Value(const std::string& key, const std::string& value) {
    if (!IsValidUtf8(value)) {
        std::cerr << "String property '" << key << "' is not valid UTF-8 string, value: " << value << std::endl;
        return false;
    }
    return true;
}

bool CheckListValue(const std::string& key, const std::vector<std::string>& values) {
    for (const auto& value : values) {
        if (!CheckUtf8Value(key, value)) return false;
    }
    return true;
}

}  // namespace event_collector
