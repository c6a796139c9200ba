#include "platform/module_path.h"

#include <system_error>

namespace platform {

std::filesystem::path ModulePath() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    // A binary replaced while running still reports its old path with this mark.
    static constexpr std::string_view kDeleted = " (deleted)";
    std::string text = path.string();
    if (text.size() > kDeleted.size() && text.ends_with(kDeleted)) {
        text.resize(text.size() - kDeleted.size());
        path = text;
    }
    return path;
}

std::filesystem::path ModuleFolder() { return ModulePath().parent_path(); }

}  // namespace platform
