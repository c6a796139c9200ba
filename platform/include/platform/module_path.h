#pragma once
// Where the running executable lives (the settings file sits beside it).
// Thread-safe; never fails towards the caller.
#include <filesystem>

namespace platform {

// Full path of the running executable; empty when the system cannot tell.
std::filesystem::path ModulePath();

// The folder that holds the running executable (ModulePath without its last component).
std::filesystem::path ModuleFolder();

}  // namespace platform
