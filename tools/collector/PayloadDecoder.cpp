#include "PayloadDecoder.h"

#include <zlib.h>

namespace collector {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::optional<std::string> PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%') {
            if (i + 2 >= text.size()) return std::nullopt;
            const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<std::string> Base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int values[4];
        int padding = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = text[i + k];
            if (c == '=' && last && k >= 2) {
                values[k] = 0;
                ++padding;
                continue;
            }
            if (padding > 0) return std::nullopt;  // data after padding
            values[k] = Base64Value(c);
            if (values[k] < 0) return std::nullopt;
        }
        const unsigned triple = static_cast<unsigned>(values[0] << 18 | values[1] << 12 | values[2] << 6 | values[3]);
        out += static_cast<char>(triple >> 16 & 0xFF);
        if (padding < 2) out += static_cast<char>(triple >> 8 & 0xFF);
        if (padding < 1) out += static_cast<char>(triple & 0xFF);
    }
    return out;
}

std::optional<std::string> Gunzip(std::string_view data, std::size_t maxBytes) {
    z_stream stream{};
    if (inflateInit2(&stream, 31) != Z_OK) return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    std::string out;
    int result = Z_OK;
    char buffer[65536];
    while (result == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END) break;
        out.append(buffer, sizeof buffer - stream.avail_out);
        if (out.size() > maxBytes) {
            result = Z_MEM_ERROR;
            break;
        }
        if (result == Z_OK && stream.avail_in == 0 && stream.avail_out != 0) {
            result = Z_DATA_ERROR;  // input ended before the gzip trailer
            break;
        }
    }
    const bool complete = result == Z_STREAM_END && stream.avail_in == 0;
    inflateEnd(&stream);
    if (!complete) return std::nullopt;
    return out;
}

std::optional<std::string> FormField(std::string_view body, std::string_view name) {
    std::size_t start = 0;
    while (start <= body.size()) {
        std::size_t end = body.find('&', start);
        if (end == std::string_view::npos) end = body.size();
        const std::string_view field = body.substr(start, end - start);
        const std::size_t equals = field.find('=');
        if (field.substr(0, equals) == name) {
            return std::string(equals == std::string_view::npos ? std::string_view{} : field.substr(equals + 1));
        }
        start = end + 1;
    }
    return std::nullopt;
}

DecodedBatch DecodeBatch(std::string_view body) {
    DecodedBatch batch;
    const auto field = FormField(body, "data_list");
    if (!field) return {{}, "no data_list field"};
    const auto base64 = PercentDecode(*field);
    if (!base64) return {{}, "bad percent-encoding"};
    auto data = Base64Decode(*base64);
    if (!data) return {{}, "bad Base64"};
    const auto gzip = FormField(body, "gzip");
    if (gzip && *gzip == "1") {
        data = Gunzip(*data);
        if (!data) return {{}, "bad gzip stream"};
    }
    nlohmann::json parsed = nlohmann::json::parse(*data, nullptr, false);
    if (parsed.is_discarded()) return {{}, "not JSON"};
    if (!parsed.is_array()) return {{}, "not a JSON array"};
    for (auto& record : parsed) {
        if (!record.is_object()) return {{}, "array member is not an object"};
        batch.records.push_back(std::move(record));
    }
    return batch;
}

}  // namespace collector
