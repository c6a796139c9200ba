// The threaded digest must give the same text as the plain one however the
// bytes are cut up, including pieces larger than its blocks and totals that
// fill every block while the hashing thread is still behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DownloadTestSupport.h"
#include "download/Md5.h"
#include "download/Md5Stream.h"

namespace {

using download::Md5Stream;

std::string PlainMd5(const std::string& bytes) {
    download::Md5 digest;
    digest.Update(bytes.data(), bytes.size());
    return digest.Finish();
}

TEST(Md5StreamTest, MatchesThePlainDigestForAnyCutOfTheBytes) {
    const std::size_t block = Md5Stream::kBlockSize;
    const std::size_t queue = block * Md5Stream::kBlockCount;
    struct Case {
        const char* name;
        std::size_t total;
        std::size_t piece;
    };
    const Case cases[] = {
        {"empty", 0, 1},
        {"one byte", 1, 1},
        {"odd pieces across blocks", 3 * block + 17, 4093},
        {"exactly one block", block, block},
        {"piece larger than a block", 2 * block + 5, block + 3},
        {"more than every block at once", 3 * queue + 1, queue + block / 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = download_test::RandomBytes(c.total, 7);
        Md5Stream stream;
        for (std::size_t at = 0; at < bytes.size(); at += c.piece) {
            stream.Update(bytes.data() + at, std::min(c.piece, bytes.size() - at));
        }
        EXPECT_EQ(stream.Finish(), PlainMd5(bytes));
        EXPECT_EQ(stream.Finish(), "") << "a finished digest gives nothing more";
    }
}

TEST(Md5StreamTest, FileBytesThenWrittenBytesAndUnreadableFiles) {
    download_test::TempFolder folder;
    const std::string head = download_test::RandomBytes(Md5Stream::kBlockSize + 100, 3);
    const std::string tail = download_test::RandomBytes(5000, 4);
    const std::string path = folder.File("part");
    download_test::WriteFile(path, head);

    Md5Stream resumed;
    ASSERT_TRUE(resumed.UpdateFromFile(path, static_cast<std::int64_t>(head.size())));
    resumed.Update(tail.data(), tail.size());
    EXPECT_EQ(resumed.Finish(), PlainMd5(head + tail));

    Md5Stream too_short;
    EXPECT_FALSE(too_short.UpdateFromFile(path, static_cast<std::int64_t>(head.size()) + 1));
    too_short.Update(tail.data(), tail.size());
    EXPECT_EQ(too_short.Finish(), "") << "a digest that missed bytes must not pass as the file's";

    Md5Stream missing;
    EXPECT_FALSE(missing.UpdateFromFile(folder.File("absent"), 10));
    EXPECT_EQ(missing.Finish(), "");
}

TEST(Md5StreamTest, DroppedWithBytesQueuedEndsCleanly) {
    const std::string bytes = download_test::RandomBytes(Md5Stream::kBlockSize * Md5Stream::kBlockCount, 5);
    for (int i = 0; i < 20; ++i) {
        Md5Stream stream;
        stream.Update(bytes.data(), bytes.size());
    }
}

}  // namespace
