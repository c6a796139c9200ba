#include "download/Md5.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace download {

struct Md5::Context {
    EVP_MD_CTX* evp = EVP_MD_CTX_new();
    bool usable = evp != nullptr && EVP_DigestInit_ex(evp, EVP_md5(), nullptr) == 1;
    ~Context() { EVP_MD_CTX_free(evp); }
};

Md5::Md5() : context_(std::make_unique<Context>()) {}

Md5::~Md5() = default;

void Md5::Update(const void* data, std::size_t size) {
    if (context_->usable && size > 0) context_->usable = EVP_DigestUpdate(context_->evp, data, size) == 1;
}

bool Md5::UpdateFromFile(const std::string& path, std::int64_t size) {
    if (!ReadFileStart(path, size, [this](const char* data, std::size_t n) { Update(data, n); })) {
        context_->usable = false;
    }
    return context_->usable;
}

std::string Md5::Finish() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!context_->usable || EVP_DigestFinal_ex(context_->evp, digest, &length) != 1) return "";
    context_->usable = false;
    std::string text;
    char hex[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, "%02x", digest[i]);
        text += hex;
    }
    return text;
}

bool ReadFileStart(const std::string& path, std::int64_t size,
                   const std::function<void(const char*, std::size_t)>& take) {
    if (size <= 0) return true;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    std::vector<char> block(1 << 16);
    while (file && size > 0) {
        std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(size, static_cast<std::int64_t>(block.size())));
        std::size_t got = std::fread(block.data(), 1, want, file.get());
        if (got == 0) break;
        take(block.data(), got);
        size -= static_cast<std::int64_t>(got);
    }
    return size == 0;
}

std::string FileMd5(const std::string& path) {
    if (path.empty()) return "";
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return "";
    Md5 digest;
    std::vector<char> block(1 << 16);
    std::size_t count;
    while ((count = std::fread(block.data(), 1, block.size(), file.get())) > 0) digest.Update(block.data(), count);
    if (std::ferror(file.get())) return "";
    return digest.Finish();
}

}  // namespace download
