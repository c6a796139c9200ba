#pragma once
// The skin package: a 7z archive whose every file is decompressed once when it
// is opened, so that look-ups never touch compressed data again.
//
// One package is shared by every window of the process (SharedSkin). It is
// opened on the UI thread before the first window is built and stays for the
// life of the process.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Controls {

class SkinPackage {
 public:
  struct Entry {
    std::string path;  // as stored, "/" between folders
    std::size_t index = 0;  // position of the item in the archive
    std::vector<std::byte> data;
  };

  // Reads every non-folder item in archive order. The first item that fails
  // to decompress ends the scan; what was read before stays usable.
  // `complete` tells whether the whole archive was read.
  static SkinPackage FromBytes(std::span<const std::byte> archive);

  // Path relative to the skin root; "\" counts as "/", case is ignored and the
  // whole path must match.
  std::optional<std::span<const std::byte>> Find(std::string_view path) const;

  const std::vector<Entry>& Entries() const { return entries_; }
  bool Complete() const { return complete_; }

 private:
  std::vector<Entry> entries_;
  bool complete_ = false;
};

// The process-wide package taken from the executable's resources.
namespace SharedSkin {

// Opens resource (type, id) as the package unless that one is already open.
// Returns false when the resource is missing, empty or yields no entry.
bool Open(std::string_view resource_type, int resource_id);

// Uses `archive` (copied) as the package, replacing any open one; for tools and tests.
bool OpenBytes(std::span<const std::byte> archive);

// Looks a file up in the open package; nothing when none is open.
std::optional<std::span<const std::byte>> Find(std::string_view path);

// How many times an archive has been decompressed in this process.
int DecompressCount();

}  // namespace SharedSkin

}  // namespace Controls
