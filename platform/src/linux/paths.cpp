#include "platform/paths.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "ascii_case.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::optional<fs::path> MatchInFolder(const fs::path& folder, const std::string& name) {
    std::error_code error;
    std::vector<std::string> matches;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error), end; !error && it != end;
         it.increment(error)) {
        std::string candidate = it->path().filename().string();
        if (EqualIgnoringAsciiCase(candidate, name)) matches.push_back(candidate);
    }
    if (matches.empty()) return std::nullopt;
    std::sort(matches.begin(), matches.end());
    return folder / matches.front();
}

}  // namespace

std::optional<std::string> FindPathIgnoringCase(const std::string& path) {
    std::error_code error;
    if (path.empty()) return std::nullopt;
    if (fs::exists(fs::symlink_status(path, error))) return path;
    fs::path found;
    for (const auto& part : fs::path(path)) {
        fs::path next = found / part;
        std::string name = part.string();
        if (name.empty() || name == "/" || name == "." || name == ".." || fs::exists(fs::symlink_status(next, error))) {
            found = next;
            continue;
        }
        auto match = MatchInFolder(found, name);
        if (!match) return std::nullopt;
        found = *match;
    }
    return found.string();
}

bool IsSameFolder(const std::string& first, const std::string& second) {
    if (first.empty() || second.empty()) return false;
    std::error_code error_a, error_b;
    if (fs::is_directory(first, error_a) && fs::is_directory(second, error_b)) {
        std::error_code error;
        return fs::equivalent(first, second, error);
    }
    fs::path a = fs::weakly_canonical(fs::absolute(first, error_a), error_a);
    fs::path b = fs::weakly_canonical(fs::absolute(second, error_b), error_b);
    if (error_a || error_b) return false;
    auto trimmed = [](fs::path p) {
        std::string text = p.lexically_normal().string();
        while (text.size() > 1 && text.back() == '/') text.pop_back();
        return text;
    };
    return trimmed(a) == trimmed(b);
}

}  // namespace platform
