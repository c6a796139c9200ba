#pragma once
// Blobs embedded into the executable at build time, looked up by (type, id),
// the way a Windows program finds its own resources.
// Registration happens during static initialisation (see cmake/EmbedResource.cmake);
// look-ups are safe from any thread once main() has started.
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace platform {

// Makes `data` (which must outlive the process, e.g. a static array) findable.
// A later registration of the same (type, id) replaces the earlier one.
void RegisterResource(std::string_view type, int id, const void* data, std::size_t size);

// The bytes of resource (type, id); empty when there is none. Type names compare exactly.
std::optional<std::span<const std::byte>> FindResource(std::string_view type, int id);

}  // namespace platform
