#include "platform/account.h"

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace platform {
namespace {

const char* Env(const char* name) { return std::getenv(name); }

std::optional<passwd> FindUser(const std::string& name, std::vector<char>& storage) {
    passwd entry{};
    passwd* found = nullptr;
    storage.assign(16384, '\0');
    if (::getpwnam_r(name.c_str(), &entry, storage.data(), storage.size(), &found) != 0 || found == nullptr)
        return std::nullopt;
    return entry;
}

bool IsInAdminGroup(const passwd& user) {
    int count = 64;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    if (::getgrouplist(user.pw_name, user.pw_gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<std::size_t>(count));
        if (::getgrouplist(user.pw_name, user.pw_gid, groups.data(), &count) < 0) return false;
    }
    groups.resize(static_cast<std::size_t>(count));
    for (const char* admin : {"sudo", "wheel", "admin"}) {
        group entry{};
        group* found = nullptr;
        std::vector<char> storage(16384);
        if (::getgrnam_r(admin, &entry, storage.data(), storage.size(), &found) != 0 || found == nullptr) continue;
        for (gid_t gid : groups) {
            if (gid == found->gr_gid) return true;
        }
    }
    return false;
}

// The user of the active session on seat0, from logind's session records.
std::optional<std::string> ActiveSeatUser() {
    DIR* folder = ::opendir("/run/systemd/sessions");
    if (folder == nullptr) return std::nullopt;
    std::optional<std::string> result;
    while (dirent* item = ::readdir(folder)) {
        std::string name = item->d_name;
        if (name.empty() || name[0] == '.' || name.find('.') != std::string::npos) continue;
        std::ifstream record("/run/systemd/sessions/" + name);
        std::string line, user;
        bool active = false, on_seat = false;
        while (std::getline(record, line)) {
            if (line.rfind("USER=", 0) == 0) user = line.substr(5);
            if (line == "ACTIVE=1") active = true;
            if (line == "SEAT=seat0") on_seat = true;
        }
        if (active && on_seat && !user.empty()) {
            result = user;
            break;
        }
    }
    ::closedir(folder);
    return result;
}

}  // namespace

bool ProcessHasAdminRights() {
    if (const char* forced = Env("QUORVANE_PROCESS_ADMIN")) return std::string(forced) == "1";
    return ::geteuid() == 0;
}

std::optional<bool> IsAdministratorAccount(const std::string& user_name) {
    if (const char* list = Env("QUORVANE_ADMIN_ACCOUNTS")) {
        std::stringstream names(list);
        for (std::string name; std::getline(names, name, ',');) {
            if (name == user_name) return true;
        }
        return false;
    }
    std::vector<char> storage;
    auto user = FindUser(user_name, storage);
    if (!user) return std::nullopt;
    return user->pw_uid == 0 || IsInAdminGroup(*user);
}

std::optional<std::string> ConsoleUserName() {
    if (const char* forced = Env("QUORVANE_CONSOLE_USER")) {
        if (*forced == '\0') return std::nullopt;
        return std::string(forced);
    }
    if (auto seat_user = ActiveSeatUser()) return seat_user;
    char login[256] = {};
    if (::getlogin_r(login, sizeof login) == 0 && login[0] != '\0') return std::string(login);
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> storage(16384);
    if (::getpwuid_r(::getuid(), &entry, storage.data(), storage.size(), &found) == 0 && found != nullptr)
        return std::string(found->pw_name);
    return std::nullopt;
}

}  // namespace platform
