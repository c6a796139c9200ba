#include "controls/SkinPackage.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <mutex>

#include "controls/Values.h"
#include "platform/resources.h"

namespace Controls {
namespace {

std::string NormalisePath(std::string_view path) {
  std::string out = ToLower(path);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

struct ArchiveCloser {
  void operator()(archive* a) const { archive_read_free(a); }
};

// Reads one item's data completely; false on any decompression error.
bool ReadData(archive* a, std::vector<std::byte>& out) {
  std::byte buffer[64 * 1024];
  while (true) {
    la_ssize_t n = archive_read_data(a, buffer, sizeof buffer);
    if (n < 0) return false;
    if (n == 0) return true;
    out.insert(out.end(), buffer, buffer + n);
  }
}

}  // namespace

SkinPackage SkinPackage::FromBytes(std::span<const std::byte> bytes) {
  SkinPackage package;
  std::unique_ptr<archive, ArchiveCloser> a(archive_read_new());
  if (!a || bytes.empty()) return package;
  archive_read_support_format_7zip(a.get());
  if (archive_read_open_memory(a.get(), bytes.data(), bytes.size()) != ARCHIVE_OK) return package;
  std::size_t index = 0;
  while (true) {
    archive_entry* entry = nullptr;
    int rc = archive_read_next_header(a.get(), &entry);
    if (rc == ARCHIVE_EOF) {
      package.complete_ = true;
      break;
    }
    if (rc != ARCHIVE_OK && rc != ARCHIVE_WARN) break;
    std::size_t item = index++;
    if (archive_entry_filetype(entry) == AE_IFDIR) continue;
    const char* name = archive_entry_pathname_utf8(entry);
    if (!name) name = archive_entry_pathname(entry);
    if (!name) break;
    Entry e{name, item, {}};
    if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > 0) {
      e.data.reserve(static_cast<std::size_t>(archive_entry_size(entry)));
    }
    if (!ReadData(a.get(), e.data)) break;
    package.entries_.push_back(std::move(e));
  }
  return package;
}

std::optional<std::span<const std::byte>> SkinPackage::Find(std::string_view path) const {
  const std::string wanted = NormalisePath(path);
  for (const Entry& e : entries_) {
    if (e.path.size() == wanted.size() && NormalisePath(e.path) == wanted) {
      return std::span<const std::byte>(e.data);
    }
  }
  return std::nullopt;
}

namespace SharedSkin {
namespace {

struct State {
  std::mutex lock;
  std::string type;
  int id = -1;
  bool open = false;
  SkinPackage package;
  int decompress_count = 0;
};

State& TheState() {
  static State* state = new State;  // lives for the process, like the resource bytes
  return *state;
}

}  // namespace

bool Open(std::string_view resource_type, int resource_id) {
  State& s = TheState();
  std::lock_guard guard(s.lock);
  if (s.open && s.type == resource_type && s.id == resource_id) return !s.package.Entries().empty();
  auto bytes = platform::FindResource(resource_type, resource_id);
  if (!bytes || bytes->empty()) return false;
  // The resource already lives for the whole process, so the archive is read
  // straight from it; only the decompressed entries are kept.
  s.package = SkinPackage::FromBytes(*bytes);
  ++s.decompress_count;
  s.type = std::string(resource_type);
  s.id = resource_id;
  s.open = true;
  return !s.package.Entries().empty();
}

bool OpenBytes(std::span<const std::byte> archive) {
  State& s = TheState();
  std::lock_guard guard(s.lock);
  s.package = SkinPackage::FromBytes(archive);
  ++s.decompress_count;
  s.type.clear();
  s.id = -1;
  s.open = true;
  return !s.package.Entries().empty();
}

std::optional<std::span<const std::byte>> Find(std::string_view path) {
  State& s = TheState();
  std::lock_guard guard(s.lock);
  if (!s.open) return std::nullopt;
  return s.package.Find(path);
}

int DecompressCount() {
  State& s = TheState();
  std::lock_guard guard(s.lock);
  return s.decompress_count;
}

}  // namespace SharedSkin
}  // namespace Controls
