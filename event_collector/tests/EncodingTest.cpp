#include <gtest/gtest.h>

#include "PayloadDecoder.h"
#include "event_collector/Encoding.h"

namespace event_collector {
namespace {

TEST(Encoding, Base64KnownVectors) {
    const struct {
        std::string in, out;
    } cases[] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
                 {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"\xfb\xff\xbf", "+/+/"}};
    for (const auto& c : cases) EXPECT_EQ(Base64Encode(c.in), c.out) << c.in;
}

TEST(Encoding, PercentEncodingKeepsOnlyUnreservedBytes) {
    EXPECT_EQ(PercentEncode("AZaz09-._~"), "AZaz09-._~");
    EXPECT_EQ(PercentEncode("+/= &"), "%2B%2F%3D%20%26");
    EXPECT_EQ(PercentEncode("\xff\x01"), "%FF%01");
}

TEST(Encoding, GzipHasAHeaderAndRoundTrips) {
    std::string big;
    for (int i = 0; i < 20000; ++i) big += "{\"n\":" + std::to_string(i) + "}";  // several output steps
    for (const std::string& text : {std::string(), std::string("[]"), big}) {
        const auto packed = GzipCompress(text);
        ASSERT_TRUE(packed.has_value());
        ASSERT_GE(packed->size(), 18u);
        EXPECT_EQ(static_cast<unsigned char>((*packed)[0]), 0x1f);
        EXPECT_EQ(static_cast<unsigned char>((*packed)[1]), 0x8b);
        EXPECT_EQ(collector::Gunzip(*packed), text);
    }
}

TEST(Encoding, PostBodyDecodesBackToTheBatch) {
    const std::vector<std::string> records = {"{\"a\":1}", "{\"b\":\"x+y/z=\"}"};
    const auto body = BuildPostBody(records);
    ASSERT_TRUE(body.has_value());
    EXPECT_EQ(body->rfind("data_list=", 0), 0u);
    EXPECT_EQ(body->substr(body->size() - 7), "&gzip=1");
    EXPECT_EQ(body->find_first_of("+/="), body->find('='));  // only the field separators stay raw
    const auto batch = collector::DecodeBatch(*body);
    ASSERT_TRUE(batch.ok()) << batch.error;
    ASSERT_EQ(batch.records.size(), 2u);
    EXPECT_EQ(batch.records[0].dump(), records[0]);
    EXPECT_EQ(batch.records[1].dump(), records[1]);
}

TEST(CollectorDecoder, RefusesWhatIsNotABatch) {
    auto gzipped = [](const std::string& json) {
        return "data_list=" + PercentEncode(Base64Encode(*GzipCompress(json))) + "&gzip=1";
    };
    const struct {
        const char* name;
        std::string body;
    } cases[] = {
        {"no field", "gzip=1"},
        {"bad percent", "data_list=%G1&gzip=1"},
        {"cut percent", "data_list=ab%2&gzip=1"},
        {"bad base64", "data_list=@@@@&gzip=1"},
        {"not gzip", "data_list=" + PercentEncode(Base64Encode("plain")) + "&gzip=1"},
        {"not json", gzipped("[{]")},
        {"not an array", gzipped("{\"a\":1}")},
        {"member not object", gzipped("[1]")},
        {"cut gzip", gzipped("[{}]").substr(0, 30) + "&gzip=1"},
    };
    for (const auto& c : cases) EXPECT_FALSE(collector::DecodeBatch(c.body).ok()) << c.name;
}

}  // namespace
}  // namespace event_collector
