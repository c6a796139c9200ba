#pragma once
// Small questions about the machine, each answering with a neutral value
// (empty text, false, 0) instead of failing.
#include <cstdint>
#include <string>

namespace Utils {

// The longest path, in UTF-16 characters, these helpers handle.
constexpr std::size_t kMaxPathLength = 260;

// The installer's private temporary folder, "~TessaVonTemp.92482B06FB471E17"
// below the user's temp folder, ending with a separator; created when
// missing. Empty when it cannot be created, when something other than a
// folder is in its place, or when the path would not fit 259 characters.
std::string GetTempFolder();

// Creates every missing folder along `path`. False for a path longer than
// kMaxPathLength (nothing is created then), when a folder cannot be created,
// or when the path ends in something that is not a folder.
bool CreateDirectories(const std::string& path);

// The connectivity flags in the low 16 bits and a verdict in the high 16
// bits: 0 on the internet (or the whole value 0 when the monitor cannot be
// reached), 1 no connectivity, 2 connected but not to the internet.
std::uint32_t CheckNetwork();

// A new GUID as 32 hexadecimal digits: upper case except the third group.
std::string NewGuidText();

}  // namespace Utils
