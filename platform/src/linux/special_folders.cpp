#include "platform/special_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace platform {
namespace {

std::optional<std::string> NonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::string(value);
}

std::string WithoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// XDG variables only count when they hold an absolute path.
std::optional<std::string> XdgVariable(const char* name) {
    auto value = NonEmptyVariable(name);
    if (!value || value->front() != '/') return std::nullopt;
    return WithoutTrailingSeparators(*value);
}

}  // namespace

std::string HomeFolder() {
    if (auto home = NonEmptyVariable("HOME")) return WithoutTrailingSeparators(*home);
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> storage(16384);
    if (::getpwuid_r(::getuid(), &entry, storage.data(), storage.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr)
        return WithoutTrailingSeparators(found->pw_dir);
    return {};
}

std::string DataHome() {
    if (auto value = XdgVariable("XDG_DATA_HOME")) return *value;
    std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.local/share";
}

std::string ConfigHome() {
    if (auto value = XdgVariable("XDG_CONFIG_HOME")) return *value;
    std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.config";
}

std::optional<std::string> GetSpecialFolder(SpecialFolder folder) {
    std::string path;
    switch (folder) {
        case SpecialFolder::AppData:
            if (auto value = NonEmptyVariable("APPDATA")) return WithoutTrailingSeparators(*value);
            path = DataHome();
            break;
        case SpecialFolder::LocalAppData:
            if (auto value = NonEmptyVariable("LOCALAPPDATA")) return WithoutTrailingSeparators(*value);
            path = DataHome();
            break;
        case SpecialFolder::ProgramFiles:
        case SpecialFolder::ProgramFilesX86:
            if (auto value = NonEmptyVariable("QUORVANE_PROGRAM_FILES")) return WithoutTrailingSeparators(*value);
            if (::geteuid() == 0) return std::string("/opt");
            path = DataHome();
            break;
        case SpecialFolder::CommonDocuments:
            path = DataHome();
            break;
        case SpecialFolder::Temp:
            return WithoutTrailingSeparators(NonEmptyVariable("TMPDIR").value_or("/tmp"));
    }
    if (path.empty()) return std::nullopt;
    return path;
}

std::optional<std::string> GetWindowsEnvironmentVariable(const std::string& name) {
    if (name == "APPDATA") return GetSpecialFolder(SpecialFolder::AppData);
    if (name == "LOCALAPPDATA") return GetSpecialFolder(SpecialFolder::LocalAppData);
    if (name == "TEMP" || name == "TMP") return GetSpecialFolder(SpecialFolder::Temp);
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

}  // namespace platform
