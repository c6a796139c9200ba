#pragma once
// Keeps count of the threads an engine has running (including detached ones)
// and carries its stop request, so that the engine's destructor can stop the
// transfers and wait until no thread touches the engine any more.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "utils/Thread.h"

namespace download {

class EngineThreads {
public:
    // Held by a thread body from before the thread starts until its last touch
    // of the engine. Create it on the starting thread, move it into the body.
    class Ticket {
    public:
        explicit Ticket(EngineThreads& owner);
        Ticket(Ticket&& other) noexcept;
        Ticket& operator=(Ticket&&) = delete;
        ~Ticket();
        // Ends the ticket early (the thread will not touch the engine again).
        void Release();

    private:
        EngineThreads* owner_;
    };

    Ticket Enter() { return Ticket(*this); }

    // Starts `body` on a new thread named `name` (the engine's worker) once the
    // previous worker has ended; called on that previous worker (a retry asked
    // for from inside a report) it lets it finish on its own instead. Does
    // nothing once a stop was requested.
    void StartWorker(const std::string& name, std::function<void()> body);
    // Starts `body` on a detached thread that is counted like the worker.
    // Answers false when the thread could not be made or a stop was requested.
    bool StartDetached(const std::string& name, std::function<void()> body);
    // Requests a stop and waits for the worker and every counted thread.
    // Must not be called on one of them.
    void StopAndWait();

    // Asks every thread to stop and wakes sleepers. Never cleared.
    void RequestStop();
    bool StopRequested() const { return stop_requested_.load(std::memory_order_relaxed); }
    // Sleeps up to `ms`; answers false when woken by a stop request.
    bool Sleep(int ms);
    // Sleeps until `condition` holds (checked at least every `poll_ms` and at
    // each Notify) or a stop is requested; answers whether it holds.
    bool WaitUntil(const std::function<bool()>& condition, int poll_ms);
    // Wakes WaitUntil callers to look at their condition again.
    void Notify();
    // Waits until every ticket is released.
    void WaitIdle();

private:
    void Leave();
    std::unique_ptr<Utils::Thread> Launch(const std::string& name, std::function<void()> body);

    std::mutex worker_lock_;
    std::unique_ptr<Utils::Thread> worker_;

    mutable std::mutex lock_;
    std::condition_variable changed_;
    int running_ = 0;
    bool stop_ = false;
    std::atomic<bool> stop_requested_{false};  // read on every progress call
};

}  // namespace download
