#include "event_collector/RecordQueue.h"

#include <iostream>

#include "event_collector/Encoding.h"
#include "event_collector/StagingFile.h"

namespace event_collector {

RecordQueue::RecordQueue(std::string stagingFilePath, std::string serverUrl, std::size_t capacity)
    : stagingFilePath_(std::move(stagingFilePath)), capacity_(capacity), serverUrl_(std::move(serverUrl)) {}

void RecordQueue::DropFront() {
    if (records_.front().fromStagingFile) --stagedPending_;
    records_.pop_front();
}

void RecordQueue::Push(std::string record) {
    std::lock_guard lock(recordsLock_);
    records_.push_back({std::move(record), false});
    if (records_.size() > capacity_) DropFront();
}

void RecordQueue::LoadStagingFile() {
    std::lock_guard lock(recordsLock_);
    if (!stagingNotYetLoaded_) return;
    stagingNotYetLoaded_ = false;
    if (records_.size() >= capacity_) return;
    auto staged = ReadStagingFile(stagingFilePath_, capacity_ - records_.size());
    // The file is not truncated here: a crash before these are sent must not lose them.
    for (auto it = staged.rbegin(); it != staged.rend(); ++it) records_.push_front({std::move(*it), true});
    stagedPending_ = staged.size();
    stagingFileHoldsSentRecords_ = !staged.empty();
}

void RecordQueue::ForgetStaged(std::size_t count) {
    // Called with the records lock held, after a successful send.
    stagedPending_ -= count;
    if (stagedPending_ == 0 && stagingFileHoldsSentRecords_) {
        // Everything loaded has reached the collector; keeping it would send it twice.
        if (WriteStagingFile(stagingFilePath_, {})) stagingFileHoldsSentRecords_ = false;
    }
}

RecordQueue::SendResult RecordQueue::SendBatch(const SendFunction& send) {
    LoadStagingFile();
    std::lock_guard sendLock(sendLock_);
    std::vector<Entry> batch;
    {
        std::lock_guard lock(recordsLock_);
        while (!records_.empty() && batch.size() < kBatchSize) {
            batch.push_back(std::move(records_.front()));
            records_.pop_front();
        }
    }
    if (batch.empty()) return SendResult::Empty;

    std::vector<std::string> texts;
    texts.reserve(batch.size());
    std::size_t staged = 0;
    for (const auto& entry : batch) {
        texts.push_back(entry.json);
        staged += entry.fromStagingFile ? 1 : 0;
    }

    bool ok = false;
    if (auto body = BuildPostBody(texts)) {
        HttpResponse response;
        try {
            response = send(serverUrl_, *body);
        } catch (const std::exception& error) {
            std::cerr << error.what() << std::endl;
            response = HttpResponse{-1, error.what(), {}};
        } catch (...) {
            std::cerr << "unknown error while sending" << std::endl;
            response = HttpResponse{-1, "unknown error while sending", {}};
        }
        ok = response.status == 200;
        if (!ok) std::cerr << "EventCollector SDK send failed: " << response.body << std::endl;
    }

    std::lock_guard lock(recordsLock_);
    if (ok) {
        ForgetStaged(staged);
        return SendResult::Sent;
    }
    // Put the batch back in front, newest first, while there is room.
    const std::size_t room = capacity_ > records_.size() ? capacity_ - records_.size() : 0;
    const std::size_t keep = std::min(room, batch.size());
    for (std::size_t i = 0; i < batch.size() - keep; ++i) {
        if (batch[i].fromStagingFile) --stagedPending_;
    }
    for (std::size_t i = batch.size(); i > batch.size() - keep; --i) records_.push_front(std::move(batch[i - 1]));
    return SendResult::Failed;
}

bool RecordQueue::Flush(const SendFunction& send) {
    for (;;) {
        switch (SendBatch(send)) {
            case SendResult::Empty: return true;
            case SendResult::Failed: return false;
            case SendResult::Sent: break;
        }
    }
}

void RecordQueue::SaveStagingFile() {
    LoadStagingFile();
    std::lock_guard lock(recordsLock_);
    std::vector<std::string> texts;
    texts.reserve(records_.size());
    for (const auto& entry : records_) texts.push_back(entry.json);
    if (WriteStagingFile(stagingFilePath_, texts)) stagingFileHoldsSentRecords_ = false;
}

std::size_t RecordQueue::Size() const {
    std::lock_guard lock(recordsLock_);
    return records_.size();
}

std::vector<std::string> RecordQueue::Snapshot() const {
    std::lock_guard lock(recordsLock_);
    std::vector<std::string> texts;
    for (const auto& entry : records_) texts.push_back(entry.json);
    return texts;
}

}  // namespace event_collector
