#include "download/Md5Stream.h"

#include <algorithm>
#include <cstring>

#include "utils/Thread.h"

namespace download {

Md5Stream::Md5Stream() {
    for (std::size_t i = 0; i < kBlockCount; ++i) {
        free_.push_back(Block{std::make_unique_for_overwrite<char[]>(kBlockSize), 0});
    }
    queued_.reserve(kBlockCount);
    auto thread = std::make_unique<Utils::Thread>(this, "md5", [](void* self) {
        static_cast<Md5Stream*>(self)->Run();
        return 0u;
    });
    if (thread->IsCreated() && thread->Resume()) thread_ = std::move(thread);
}

Md5Stream::~Md5Stream() { StopThread(true); }

void Md5Stream::Run() {
    for (;;) {
        Block block;
        {
            std::unique_lock guard(lock_);
            changed_.wait(guard, [this] { return !queued_.empty() || closing_ != Closing::No; });
            if (closing_ == Closing::Drop || queued_.empty()) return;
            block = std::move(queued_.front());
            queued_.erase(queued_.begin());
        }
        digest_.Update(block.bytes.get(), block.used);
        block.used = 0;
        {
            std::lock_guard guard(lock_);
            free_.push_back(std::move(block));
        }
        changed_.notify_all();
    }
}

void Md5Stream::HandOver() {
    if (!filling_.bytes) return;
    {
        std::lock_guard guard(lock_);
        queued_.push_back(std::move(filling_));
    }
    filling_ = Block{};
    changed_.notify_all();
}

void Md5Stream::Update(const void* data, std::size_t size) {
    if (finished_ || size == 0) return;
    if (!thread_) {
        digest_.Update(data, size);
        return;
    }
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        if (!filling_.bytes) {
            std::unique_lock guard(lock_);
            changed_.wait(guard, [this] { return !free_.empty(); });
            filling_ = std::move(free_.back());
            free_.pop_back();
        }
        std::size_t n = std::min(size, kBlockSize - filling_.used);
        std::memcpy(filling_.bytes.get() + filling_.used, bytes, n);
        filling_.used += n;
        bytes += n;
        size -= n;
        if (filling_.used == kBlockSize) HandOver();
    }
}

bool Md5Stream::UpdateFromFile(const std::string& path, std::int64_t size) {
    if (!ReadFileStart(path, size, [this](const char* data, std::size_t n) { Update(data, n); })) usable_ = false;
    return usable_;
}

void Md5Stream::StopThread(bool drop_queued) {
    if (!thread_) return;
    if (!drop_queued) HandOver();
    {
        std::lock_guard guard(lock_);
        closing_ = drop_queued ? Closing::Drop : Closing::Drain;
    }
    changed_.notify_all();
    thread_->Join();
    thread_.reset();
}

std::string Md5Stream::Finish() {
    if (finished_) return "";
    StopThread(false);
    finished_ = true;
    std::string text = digest_.Finish();
    return usable_ ? text : "";
}

}  // namespace download
