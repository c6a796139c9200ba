#include "platform/locale_info.h"

#include <cstdlib>

namespace platform {

std::optional<LocaleNames> UserLocaleNames() {
    const char* name = nullptr;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            name = value;
            break;
        }
    }
    if (name == nullptr) return std::nullopt;
    // language[_territory][.codeset][@modifier]
    std::string text(name);
    text = text.substr(0, text.find_first_of(".@"));
    const auto underscore = text.find('_');
    if (underscore == std::string::npos || underscore == 0 || underscore + 1 == text.size()) return std::nullopt;
    return LocaleNames{text.substr(0, underscore), text.substr(underscore + 1)};
}

}  // namespace platform
