#include "platform/guid.h"

#include <sys/random.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <random>

namespace platform {
namespace {

void FillRandom(unsigned char* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::getrandom(bytes + done, size - done, 0);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;
    }
    if (done == size) return;
    std::ifstream urandom("/dev/urandom", std::ios::binary);
    if (urandom.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(size))) return;
    thread_local std::mt19937_64 fallback(static_cast<std::uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^ reinterpret_cast<std::uintptr_t>(&done)));
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(fallback());
}

}  // namespace

Guid NewGuid() {
    unsigned char bytes[16];
    FillRandom(bytes, sizeof bytes);
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    Guid guid{};
    guid.data1 = static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
                 static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
    guid.data2 = static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]);
    guid.data3 = static_cast<std::uint16_t>(bytes[6] << 8 | bytes[7]);
    std::memcpy(guid.data4, bytes + 8, 8);
    return guid;
}

}  // namespace platform
