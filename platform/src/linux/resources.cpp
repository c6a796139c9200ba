#include "platform/resources.h"

#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace platform {
namespace {

struct Registry {
    std::mutex lock;
    std::map<std::pair<std::string, int>, std::span<const std::byte>> blobs;
};

// Function-local so that registrations from other translation units' static
// initialisers never see an unconstructed map.
Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

void RegisterResource(std::string_view type, int id, const void* data, std::size_t size) {
    auto& r = registry();
    std::lock_guard guard(r.lock);
    r.blobs[{std::string(type), id}] = std::span(static_cast<const std::byte*>(data), size);
}

std::optional<std::span<const std::byte>> FindResource(std::string_view type, int id) {
    auto& r = registry();
    std::lock_guard guard(r.lock);
    auto it = r.blobs.find({std::string(type), id});
    if (it == r.blobs.end()) return std::nullopt;
    return it->second;
}

}  // namespace platform
