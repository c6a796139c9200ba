#include "download/EngineThreads.h"

#include <chrono>

namespace download {

EngineThreads::Ticket::Ticket(EngineThreads& owner) : owner_(&owner) {
    std::lock_guard guard(owner.lock_);
    ++owner.running_;
}

EngineThreads::Ticket::Ticket(Ticket&& other) noexcept : owner_(other.owner_) { other.owner_ = nullptr; }

EngineThreads::Ticket::~Ticket() { Release(); }

void EngineThreads::Ticket::Release() {
    if (owner_ == nullptr) return;
    EngineThreads* owner = owner_;
    owner_ = nullptr;
    owner->Leave();
}

void EngineThreads::Leave() {
    // Notify while holding the lock: the waiter may destroy this object as soon
    // as it can take the lock after our last touch.
    std::lock_guard guard(lock_);
    --running_;
    changed_.notify_all();
}

void EngineThreads::RequestStop() {
    std::lock_guard guard(lock_);
    stop_ = true;
    stop_requested_ = true;
    changed_.notify_all();
}

bool EngineThreads::Sleep(int ms) {
    std::unique_lock guard(lock_);
    return !changed_.wait_for(guard, std::chrono::milliseconds(ms), [&] { return stop_; });
}

bool EngineThreads::WaitUntil(const std::function<bool()>& condition, int poll_ms) {
    std::unique_lock guard(lock_);
    while (!stop_ && !condition()) changed_.wait_for(guard, std::chrono::milliseconds(poll_ms));
    return condition();
}

void EngineThreads::Notify() {
    std::lock_guard guard(lock_);
    changed_.notify_all();
}

void EngineThreads::WaitIdle() {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return running_ == 0; });
}

std::unique_ptr<Utils::Thread> EngineThreads::Launch(const std::string& name, std::function<void()> body) {
    auto ticket = std::make_shared<Ticket>(Enter());
    auto thread = std::make_unique<Utils::Thread>(nullptr, name, [ticket, body = std::move(body)](void*) -> std::uint32_t {
        body();
        ticket->Release();
        return 0;
    });
    if (!thread->Resume()) {
        // Never resumed: the body will not run, so the ticket is given back here.
        ticket->Release();
        return nullptr;
    }
    return thread;
}

void EngineThreads::StartWorker(const std::string& name, std::function<void()> body) {
    std::unique_ptr<Utils::Thread> previous;
    {
        std::lock_guard guard(worker_lock_);
        if (StopRequested()) return;
        previous = std::move(worker_);
    }
    if (previous) {
        if (previous->IsCurrentThread()) {
            previous->Detach();
        } else {
            previous->Join();
        }
    }
    std::lock_guard guard(worker_lock_);
    if (StopRequested()) return;
    worker_ = Launch(name, std::move(body));
}

bool EngineThreads::StartDetached(const std::string& name, std::function<void()> body) {
    if (StopRequested()) return false;
    auto thread = Launch(name, std::move(body));
    if (!thread) return false;
    thread->Detach();
    return true;
}

void EngineThreads::StopAndWait() {
    RequestStop();
    std::unique_ptr<Utils::Thread> worker;
    {
        std::lock_guard guard(worker_lock_);
        worker = std::move(worker_);
    }
    if (worker) worker->Join();
    WaitIdle();
}

}  // namespace download
