#pragma once
// String values of the current user's registry (HKEY_CURRENT_USER).
//
// The hive is one human-readable text file,
//   $XDG_CONFIG_HOME/quorvane-registry/HKEY_CURRENT_USER.reg
// ($XDG_CONFIG_HOME defaults to ~/.config), laid out like a .reg export:
//   [Software\TessaVonSoft\Quorvane]
//   "InstallPath"="/opt/Quorvane"
// Key paths and value names compare without regard to ASCII letter case; the
// spelling first written is kept. Every change replaces the file atomically
// (temporary file, fsync, rename) under an exclusive lock, so concurrent
// writers in any process never lose each other's values and a reader never
// sees half a file. An unreadable or damaged hive reads as empty (damaged
// lines are skipped). Thread-safe.
#include <optional>
#include <string>

namespace platform {

// The value's text (raw: it may hold NUL characters); empty when the key or
// value does not exist or the hive cannot be read.
std::optional<std::string> ReadUserRegistryString(const std::string& key, const std::string& value_name);

// Creates the key when needed and sets the value. False when the hive cannot
// be written.
bool WriteUserRegistryString(const std::string& key, const std::string& value_name, const std::string& text);

// Removes the value (and the key once it holds no values). True when the
// value is gone afterwards.
bool DeleteUserRegistryValue(const std::string& key, const std::string& value_name);

// Where the hive lives for the current environment.
std::string UserRegistryHivePath();

}  // namespace platform
