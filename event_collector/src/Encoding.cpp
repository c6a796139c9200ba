#include "event_collector/Encoding.h"

#include <zlib.h>

#include <iostream>

namespace event_collector {

std::optional<std::string> GzipCompress(std::string_view data) {
    z_stream stream{};
    // Window bits 31 = 15 plus 16: a gzip header and trailer around the deflate data.
    if (deflateInit2(&stream, 9, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        std::cerr << "deflateInit2 failed while compressing." << std::endl;
        return std::nullopt;
    }
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    std::string out;
    constexpr std::size_t kStep = 32768;
    int result = Z_OK;
    do {
        const std::size_t used = out.size();
        out.resize(used + kStep);
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + used);
        stream.avail_out = static_cast<uInt>(kStep);
        result = deflate(&stream, Z_FINISH);
        out.resize(used + kStep - stream.avail_out);
    } while (result == Z_OK);
    if (result != Z_STREAM_END) {
        std::cerr << "Exception during zlib compression: (" << result << ") " << (stream.msg ? stream.msg : "")
                  << std::endl;
        deflateEnd(&stream);
        return std::nullopt;
    }
    deflateEnd(&stream);
    return out;
}

std::string Base64Encode(std::string_view data) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    std::size_t i = 0;
    auto byte = [&](std::size_t k) { return static_cast<unsigned>(static_cast<unsigned char>(data[k])); };
    for (; i + 3 <= data.size(); i += 3) {
        const unsigned triple = byte(i) << 16 | byte(i + 1) << 8 | byte(i + 2);
        out += kAlphabet[triple >> 18 & 63];
        out += kAlphabet[triple >> 12 & 63];
        out += kAlphabet[triple >> 6 & 63];
        out += kAlphabet[triple & 63];
    }
    const std::size_t rest = data.size() - i;
    if (rest > 0) {
        const unsigned triple = byte(i) << 16 | (rest == 2 ? byte(i + 1) << 8 : 0u);
        out += kAlphabet[triple >> 18 & 63];
        out += kAlphabet[triple >> 12 & 63];
        out += rest == 2 ? kAlphabet[triple >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

std::string PercentEncode(std::string_view data) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(data.size() * 3 / 2);
    for (char ch : data) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '.' || c == '_' || c == '~';
        if (plain) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string JoinBatch(const std::vector<std::string>& records) {
    std::string body = "[";
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (i > 0) body += ',';
        body += records[i];
    }
    body += ']';
    return body;
}

std::optional<std::string> BuildPostBody(const std::vector<std::string>& records) {
    auto compressed = GzipCompress(JoinBatch(records));
    if (!compressed) return std::nullopt;
    return "data_list=" + PercentEncode(Base64Encode(*compressed)) + "&gzip=1";
}

}  // namespace event_collector
