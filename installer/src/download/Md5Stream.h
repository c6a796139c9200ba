#pragma once
// An MD5 digest taken on a thread of its own, so that hashing a package
// overlaps receiving and writing it instead of adding to them. Bytes handed to
// Update are copied into a few fixed blocks; Update waits while every block is
// still queued, so memory stays bounded however fast the bytes come.
//
// Driven by one thread at a time (hand-overs between threads must be ordered by
// the caller, as for any object); the hashing thread is internal. When that
// thread cannot be made, the bytes are hashed on the caller's thread instead.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "download/Md5.h"

namespace Utils {
class Thread;
}

namespace download {

class Md5Stream {
public:
    Md5Stream();
    // Drops bytes not hashed yet and waits for the hashing thread.
    ~Md5Stream();
    Md5Stream(const Md5Stream&) = delete;
    Md5Stream& operator=(const Md5Stream&) = delete;

    void Update(const void* data, std::size_t size);
    // Feeds the first `size` bytes of the file at `path`; false when they cannot
    // all be read (the digest is then unusable).
    bool UpdateFromFile(const std::string& path, std::int64_t size);
    // Waits until every byte is hashed: the hex text, or "" when the digest is
    // unusable. The stream takes no more bytes afterwards.
    std::string Finish();

    static constexpr std::size_t kBlockSize = 256 << 10;
    static constexpr std::size_t kBlockCount = 8;

private:
    struct Block {
        std::unique_ptr<char[]> bytes;
        std::size_t used = 0;
    };

    void Run();
    void HandOver();
    void StopThread(bool drop_queued);

    Md5 digest_;  // fed only by the hashing thread while it runs
    bool usable_ = true;
    bool finished_ = false;
    Block filling_;  // the caller's block, not yet queued

    std::mutex lock_;  // guards the three fields below
    std::condition_variable changed_;
    std::vector<Block> free_;
    std::vector<Block> queued_;  // oldest first
    enum class Closing { No, Drain, Drop } closing_ = Closing::No;

    std::unique_ptr<Utils::Thread> thread_;
};

}  // namespace download
