#include <gtest/gtest.h>

#include "TestSupport.h"
#include "event_collector/RecordQueue.h"
#include "event_collector/StagingFile.h"

namespace event_collector {
namespace {

using testing::ReadAll;
using testing::RecordingSender;
using testing::TempDir;
using testing::WriteAll;

std::string Record(int n) { return "{\"n\":" + std::to_string(n) + "}"; }

std::vector<int> Numbers(const std::vector<std::string>& records) {
    std::vector<int> numbers;
    for (const auto& r : records) numbers.push_back(nlohmann::json::parse(r)["n"].get<int>());
    return numbers;
}

std::vector<int> Range(int first, int last) {
    std::vector<int> numbers;
    for (int n = first; n <= last; ++n) numbers.push_back(n);
    return numbers;
}

class QueueTest : public ::testing::Test {
protected:
    RecordQueue MakeQueue() { return RecordQueue(dir_.File("staging"), "http://unused/"); }
    TempDir dir_;
    RecordingSender sender_;
};

TEST_F(QueueTest, PushingPastCapacityDropsTheOldest) {
    RecordQueue queue = MakeQueue();
    for (int n = 1; n <= 1025; ++n) queue.Push(Record(n));
    const auto numbers = Numbers(queue.Snapshot());
    ASSERT_EQ(numbers.size(), 1024u);
    EXPECT_EQ(numbers.front(), 2);
    EXPECT_EQ(numbers.back(), 1025);
}

TEST_F(QueueTest, FlushSendsBatchesOfThirtyOldestFirst) {
    RecordQueue queue = MakeQueue();
    for (int n = 1; n <= 75; ++n) queue.Push(Record(n));
    EXPECT_TRUE(queue.Flush(sender_.Function()));
    const auto batches = sender_.Batches();
    ASSERT_EQ(batches.size(), 3u);
    EXPECT_EQ(batches[0].size(), 30u);
    EXPECT_EQ(batches[1].size(), 30u);
    EXPECT_EQ(batches[2].size(), 15u);
    EXPECT_EQ(batches[0].front()["n"], 1);
    EXPECT_EQ(batches[2].back()["n"], 75);
    EXPECT_EQ(queue.Size(), 0u);
}

TEST_F(QueueTest, FailedSendPutsTheBatchBackAsFarAsThereIsRoom) {
    const struct {
        int queued;
        int othersAddedDuringSend;
        std::vector<int> expectFront;  // the first numbers of the queue afterwards
        std::size_t expectSize;
    } cases[] = {
        // Plenty of room: the whole batch returns in its order.
        {40, 0, Range(1, 30), 40},
        // 1030 sent as 30 + 1000 others: room for 1024 - 1000 = 24, the batch's newest.
        {30, 1000, Range(7, 30), 1024},
    };
    for (const auto& c : cases) {
        RecordQueue queue = MakeQueue();
        for (int n = 1; n <= c.queued; ++n) queue.Push(Record(n));
        int next = 10000;
        SendFunction failing = [&](const std::string&, const std::string&) {
            for (int i = 0; i < c.othersAddedDuringSend; ++i) queue.Push(Record(next++));
            return HttpResponse{500, "down", {}};
        };
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(queue.Flush(failing));
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "EventCollector SDK send failed: down\n");
        const auto numbers = Numbers(queue.Snapshot());
        ASSERT_EQ(numbers.size(), c.expectSize);
        EXPECT_EQ(std::vector<int>(numbers.begin(), numbers.begin() + c.expectFront.size()), c.expectFront);
    }
}

TEST_F(QueueTest, ThrowingTransportCountsAsFailure) {
    RecordQueue queue = MakeQueue();
    queue.Push(Record(1));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(queue.Flush([](const std::string&, const std::string&) -> HttpResponse {
        throw std::runtime_error("transport broke");
    }));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "transport broke\nEventCollector SDK send failed: transport broke\n");
    EXPECT_EQ(queue.Size(), 1u);
}

TEST_F(QueueTest, StagingLoadKeepsRecordLinesNewestFirstAtTheFront) {
    std::string file;
    file += Record(1) + "\n";
    file += "\n";                                  // empty
    file += "garbage line\n";                      // not a record
    file += "{\"cut\":\n";                         // partial
    file += std::string("\x00\xff{\x01}", 5) + "\n";  // binary, does not start with "{"
    file += "{" + std::string(10 * 1024 * 1024, 'x') + "}\n";  // far longer than any record
    file += Record(2) + "\r\n";                    // written with a carriage return
    file += Record(3);                             // last line without line end
    WriteAll(dir_.File("staging"), file);

    RecordQueue queue = MakeQueue();
    queue.Push(Record(100));
    queue.LoadStagingFile();
    EXPECT_EQ(Numbers(queue.Snapshot()), (std::vector<int>{1, 2, 3, 100}));
    queue.LoadStagingFile();  // once per queue
    EXPECT_EQ(queue.Size(), 4u);
}

TEST_F(QueueTest, StagingLoadTakesOnlyTheNewestThatFit) {
    std::string file;
    for (int n = 1; n <= 50; ++n) file += Record(n) + "\n";
    WriteAll(dir_.File("staging"), file);
    RecordQueue queue = MakeQueue();
    for (int n = 1000; n < 1000 + 1014; ++n) queue.Push(Record(n));  // 10 places free
    queue.LoadStagingFile();
    const auto numbers = Numbers(queue.Snapshot());
    ASSERT_EQ(numbers.size(), 1024u);
    EXPECT_EQ(std::vector<int>(numbers.begin(), numbers.begin() + 10), Range(41, 50));
}

TEST_F(QueueTest, StagedRecordsStayOnDiskUntilSent) {
    const std::string staging = dir_.File("staging");
    std::string file;
    for (int n = 1; n <= 40; ++n) file += Record(n) + "\n";
    WriteAll(staging, file);
    RecordQueue queue = MakeQueue();
    queue.LoadStagingFile();
    EXPECT_EQ(ReadAll(staging), file);  // a crash now must not lose them

    sender_.SetStatus(500);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(queue.SendBatch(sender_.Function()), RecordQueue::SendResult::Failed);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadAll(staging), file);

    sender_.SetStatus(200);
    EXPECT_EQ(queue.SendBatch(sender_.Function()), RecordQueue::SendResult::Sent);
    EXPECT_EQ(ReadAll(staging), file);  // ten of them still only in memory
    EXPECT_EQ(queue.SendBatch(sender_.Function()), RecordQueue::SendResult::Sent);
    EXPECT_EQ(ReadAll(staging), "");  // all delivered: sending them again would duplicate
}

TEST_F(QueueTest, SaveReplacesTheFileWithTheQueue) {
    const std::string staging = dir_.File("staging");
    WriteAll(staging, Record(1) + "\n");
    RecordQueue queue = MakeQueue();
    queue.Push(Record(2));
    queue.SaveStagingFile();  // loads first, then writes both
    EXPECT_EQ(ReadAll(staging), Record(1) + "\n" + Record(2) + "\n");
    EXPECT_FALSE(std::filesystem::exists(staging + ".tmp"));
}

TEST_F(QueueTest, UnusableStagingPathsLoseNothingElse) {
    std::filesystem::create_directories(dir_.File("folder"));
    std::filesystem::create_directories(dir_.File("blocked.tmp"));  // the temporary name is taken
    WriteAll(dir_.File("blocked"), Record(7) + "\n");
    const struct {
        const char* name;
        std::string path;
    } cases[] = {
        {"a folder", dir_.File("folder")},
        {"below a missing folder", dir_.File("missing/staging")},
        {"temporary cannot be made", dir_.File("blocked")},
    };
    for (const auto& c : cases) {
        RecordQueue queue(c.path, "http://unused/");
        queue.Push(Record(1));
        queue.SaveStagingFile();
        EXPECT_TRUE(queue.Flush(sender_.Function())) << c.name;
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir_.File("folder")));
    EXPECT_EQ(ReadAll(dir_.File("blocked")), Record(7) + "\n");  // the old content survives a failed save
}

}  // namespace
}  // namespace event_collector
