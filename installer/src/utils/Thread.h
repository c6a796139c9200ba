#pragma once
// A worker thread that is created suspended and runs its callable once resumed.
// Driven by one owner thread: create, Resume, Join/destroy. The body is wrapped
// in "THREAD BEGIN"/"THREAD END" diagnostic records. The thread is named for
// debuggers (an empty name shows as "t" + id); the OS may shorten long names.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace Utils {

class Thread {
public:
    using Callable = std::function<std::uint32_t(void*)>;
    static constexpr std::uint32_t kNoThreadId = 0xFFFFFFFFu;

    // Creates the thread suspended. On failure IsCreated() is false and
    // nothing is thrown; Resume then answers false and Join does nothing.
    Thread(void* argument, std::string name, Callable callable);
    // As Join, then forgets the name and the callable. A thread that was never
    // resumed is let go without running its callable.
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    bool Resume();
    // Waits without a time limit for the body to end, then drops the handle and
    // sets the id to kNoThreadId. Called on the thread itself it lets the thread
    // run on unowned instead of deadlocking.
    void Join();
    // Gives up the handle without waiting: the body runs to its end on its own.
    void Detach();

    bool IsCreated() const { return handle_ != nullptr; }
    bool IsCurrentThread() const;
    std::uint32_t Id() const { return id_; }
    const std::string& Name() const { return name_; }
    // The name shown to debuggers: the given name, or "t" + id when it is empty.
    std::string DebuggerName() const;

    // The thread's entry: names the thread, logs, runs the callable with the
    // argument (its result is ignored), logs.
    static std::uint32_t CallBack(const Callable& callable, void* argument, const std::string& name);

private:
    struct Gate {
        std::mutex lock;
        std::condition_variable changed;
        bool resumed = false;
        bool cancelled = false;
        bool id_known = false;
        std::uint32_t id = kNoThreadId;
    };

    std::uint32_t id_ = kNoThreadId;
    std::unique_ptr<std::thread> handle_;
    Callable callable_;
    void* argument_;
    std::string name_;
    std::shared_ptr<Gate> gate_;
};

}  // namespace Utils
