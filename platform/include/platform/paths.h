#pragma once
// Path questions whose Windows answers rely on a case-insensitive file system.
#include <optional>
#include <string>

namespace platform {

// The existing file or folder that `path` names. When the exact spelling is
// absent, each missing component is matched against its folder's entries
// without regard to ASCII letter case ("Set.ini" finds "set.ini"); the first
// match in name order wins when several differ only in case. Empty when
// nothing matches.
std::optional<std::string> FindPathIgnoringCase(const std::string& path);

// Whether two spellings name the same folder: trailing separators, "." and
// ".." and symbolic links do not matter; letter case does, as it does on this
// file system. Folders that do not exist (yet) are compared by their
// normalised spelling. An empty path names no folder.
bool IsSameFolder(const std::string& first, const std::string& second);

}  // namespace platform
