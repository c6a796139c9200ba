#pragma once
// The bounded queue of serialised records and the batch sender.
//
// Records are JSON texts, oldest first; past the capacity the oldest is
// dropped. One batch send runs at a time (send lock) while other threads keep
// adding (records lock). Records loaded from the staging file stay on disk
// until every one of them has been sent or the file has been rewritten.
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "event_collector/Sdk.h"

namespace event_collector {

class RecordQueue {
public:
    static constexpr std::size_t kCapacity = 1024;
    static constexpr std::size_t kBatchSize = 30;

    enum class SendResult { Sent, Empty, Failed };

    RecordQueue(std::string stagingFilePath, std::string serverUrl, std::size_t capacity = kCapacity);

    void Push(std::string record);
    // Reads the staging file once per queue; the records go to the front.
    void LoadStagingFile();
    // Sends up to kBatchSize of the oldest records; on failure puts them back
    // in front as far as the capacity allows (the batch's oldest give way).
    SendResult SendBatch(const SendFunction& send);
    // Sends batches until the queue is empty (true) or a send fails (false).
    bool Flush(const SendFunction& send);
    // Rewrites the staging file with every queued record, front to back.
    void SaveStagingFile();

    std::size_t Size() const;
    std::vector<std::string> Snapshot() const;
    // Guards the queue, the staging state and the client's identity fields.
    std::recursive_mutex& RecordsLock() const { return recordsLock_; }

private:
    struct Entry {
        std::string json;
        bool fromStagingFile = false;
    };
    void DropFront();  // records lock held
    void ForgetStaged(std::size_t count);

    mutable std::recursive_mutex recordsLock_;
    std::recursive_mutex sendLock_;
    std::deque<Entry> records_;
    std::string stagingFilePath_;
    std::size_t capacity_;
    bool stagingNotYetLoaded_ = true;
    std::string serverUrl_;
    // Loaded records not yet sent; while any remain the file is left as it is.
    std::size_t stagedPending_ = 0;
    bool stagingFileHoldsSentRecords_ = false;
};

}  // namespace event_collector
