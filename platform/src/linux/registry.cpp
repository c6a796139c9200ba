#include "platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "ascii_case.h"
#include "platform/special_folders.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

struct Value {
    std::string name;
    std::string text;
};

struct Key {
    std::string path;
    std::vector<Value> values;
};

using Hive = std::vector<Key>;

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char hex[5];
                    std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
                    out += hex;
                } else {
                    out += c;
                }
        }
    }
    return out;
}

// Parses a quoted, escaped string starting at text[pos] == '"'. Moves pos past
// the closing quote; empty when the string is malformed.
std::optional<std::string> Unquote(const std::string& text, std::size_t& pos) {
    if (pos >= text.size() || text[pos] != '"') return std::nullopt;
    std::string out;
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos >= text.size()) return std::nullopt;
        switch (text[pos]) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'x': {
                if (pos + 2 >= text.size()) return std::nullopt;
                unsigned value = 0;
                if (std::sscanf(text.c_str() + pos + 1, "%2x", &value) != 1) return std::nullopt;
                out += static_cast<char>(value);
                pos += 2;
                break;
            }
            default: out += text[pos];
        }
    }
    return std::nullopt;
}

Hive Parse(std::istream& in) {
    Hive hive;
    Key* current = nullptr;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            hive.push_back({line.substr(1, line.size() - 2), {}});
            current = &hive.back();
            continue;
        }
        if (current == nullptr || line.empty() || line[0] != '"') continue;
        std::size_t pos = 0;
        auto name = Unquote(line, pos);
        if (!name || pos >= line.size() || line[pos] != '=') continue;
        ++pos;
        auto text = Unquote(line, pos);
        if (!text || pos != line.size()) continue;
        current->values.push_back({*name, *text});
    }
    return hive;
}

std::string Serialise(const Hive& hive) {
    std::string out = "; Per-user registry values (HKEY_CURRENT_USER), one [key] per section.\n";
    for (const auto& key : hive) {
        if (key.values.empty()) continue;
        out += "\n[" + key.path + "]\n";
        for (const auto& value : key.values) out += "\"" + Escape(value.name) + "\"=\"" + Escape(value.text) + "\"\n";
    }
    return out;
}

Hive Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return Parse(in);
}

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The old hive stays whole until the new one is safely on disk.
bool Store(const std::string& path, const Hive& hive) {
    std::string temporary = path + ".tmp";
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, Serialise(hive)) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    int folder = ::open(fs::path(path).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

// Holds the hive's lock file for the lifetime of the object.
class HiveLock {
public:
    HiveLock(const std::string& hive_path, bool exclusive) {
        std::error_code ignored;
        if (exclusive) fs::create_directories(fs::path(hive_path).parent_path(), ignored);
        fd_ = ::open((hive_path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return;
        int rc;
        do {
            rc = ::flock(fd_, exclusive ? LOCK_EX : LOCK_SH);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~HiveLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

Key* FindKey(Hive& hive, const std::string& path) {
    for (auto& key : hive) {
        if (EqualIgnoringAsciiCase(key.path, path)) return &key;
    }
    return nullptr;
}

Value* FindValue(Key& key, const std::string& name) {
    for (auto& value : key.values) {
        if (EqualIgnoringAsciiCase(value.name, name)) return &value;
    }
    return nullptr;
}

}  // namespace

std::string UserRegistryHivePath() {
    return (fs::path(ConfigHome()) / "quorvane-registry" / "HKEY_CURRENT_USER.reg").string();
}

std::optional<std::string> ReadUserRegistryString(const std::string& key, const std::string& value_name) {
    std::string path = UserRegistryHivePath();
    // Readers need no lock for consistency (the file is replaced whole), but a
    // shared lock is cheap where the folder exists and orders us after a writer.
    std::error_code ignored;
    std::optional<HiveLock> lock;
    if (fs::exists(fs::path(path).parent_path(), ignored)) lock.emplace(path, false);
    Hive hive = Load(path);
    Key* found = FindKey(hive, key);
    if (found == nullptr) return std::nullopt;
    Value* value = FindValue(*found, value_name);
    if (value == nullptr) return std::nullopt;
    return value->text;
}

bool WriteUserRegistryString(const std::string& key, const std::string& value_name, const std::string& text) {
    // A line break would end the key's section line early.
    if (key.empty() || key.find_first_of("\r\n") != std::string::npos) return false;
    std::string path = UserRegistryHivePath();
    HiveLock lock(path, true);
    if (!lock.held()) return false;
    Hive hive = Load(path);
    Key* found = FindKey(hive, key);
    if (found == nullptr) {
        hive.push_back({key, {}});
        found = &hive.back();
    }
    if (Value* value = FindValue(*found, value_name))
        value->text = text;
    else
        found->values.push_back({value_name, text});
    return Store(path, hive);
}

bool DeleteUserRegistryValue(const std::string& key, const std::string& value_name) {
    std::string path = UserRegistryHivePath();
    std::error_code ignored;
    if (!fs::exists(path, ignored)) return true;
    HiveLock lock(path, true);
    if (!lock.held()) return false;
    Hive hive = Load(path);
    Key* found = FindKey(hive, key);
    if (found == nullptr) return true;
    std::erase_if(found->values, [&](const Value& value) { return EqualIgnoringAsciiCase(value.name, value_name); });
    return Store(path, hive);
}

}  // namespace platform
