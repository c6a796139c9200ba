#pragma once
// MD5 digests of packages, written as 32 lower-case hex digits.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace download {

// A running digest, fed as the bytes of a file are written, so that checking
// a large package does not need a second pass over it.
class Md5 {
public:
    Md5();
    ~Md5();
    Md5(const Md5&) = delete;
    Md5& operator=(const Md5&) = delete;

    void Update(const void* data, std::size_t size);
    // Feeds the first `size` bytes of the file at `path`; false when they cannot
    // all be read (the digest is then unusable).
    bool UpdateFromFile(const std::string& path, std::int64_t size);
    // Ends the digest: the hex text, or "" when the digest was unusable.
    std::string Finish();

private:
    struct Context;
    std::unique_ptr<Context> context_;
};

// Hands the first `size` bytes of the file at `path` to `take`, piece by piece;
// false when they cannot all be read.
bool ReadFileStart(const std::string& path, std::int64_t size,
                   const std::function<void(const char*, std::size_t)>& take);

// MD5 of the whole file; "" when the path is empty or the file cannot be read.
std::string FileMd5(const std::string& path);

}  // namespace download
