#include "download/UrlText.h"

#include <curl/curl.h>
#include <openssl/evp.h>

#include <cstdio>
#include <memory>

namespace download {

std::string Md5SegmentOf(const std::string& url) {
    std::size_t last = url.rfind('/');
    if (last == std::string::npos || last == 0) return "";
    std::size_t before = url.rfind('/', last - 1);
    if (before == std::string::npos) return "";
    return url.substr(before + 1, last - before - 1);
}

std::string FileMd5(const std::string& path) {
    if (path.empty()) return "";
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return "";
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) return "";
    unsigned char block[1024];
    std::size_t count;
    while ((count = std::fread(block, 1, sizeof block, file.get())) > 0) {
        EVP_DigestUpdate(context.get(), block, count);
    }
    if (std::ferror(file.get())) return "";
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1) return "";
    std::string text;
    char hex[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, "%02x", digest[i]);
        text += hex;
    }
    return text;
}

bool IsFileUrl(const std::string& url) { return url.rfind("file:///", 0) == 0; }

std::string CurlErrorText(int code) { return curl_easy_strerror(static_cast<CURLcode>(code)); }

}  // namespace download
