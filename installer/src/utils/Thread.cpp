#include "utils/Thread.h"

#include "platform/process_info.h"
#include "utils/DiagLog.h"

namespace Utils {

Thread::Thread(void* argument, std::string name, Callable callable)
    : callable_(std::move(callable)), argument_(argument), name_(std::move(name)), gate_(std::make_shared<Gate>()) {
    try {
        std::shared_ptr<Gate> gate = gate_;
        // The body gets its own copies: the owner may detach and destroy this
        // object while the body still runs.
        handle_ = std::make_unique<std::thread>([gate, callable = callable_, argument, name = name_] {
            {
                std::unique_lock guard(gate->lock);
                gate->id = platform::CurrentThreadId();
                gate->id_known = true;
                gate->changed.notify_all();
                gate->changed.wait(guard, [&] { return gate->resumed || gate->cancelled; });
                if (gate->cancelled) return;
            }
            CallBack(callable, argument, name);
        });
        std::unique_lock guard(gate_->lock);
        gate_->changed.wait(guard, [&] { return gate_->id_known; });
        id_ = gate_->id;
    } catch (...) {
        handle_.reset();
    }
}

Thread::~Thread() {
    Join();
    name_.clear();
    callable_ = nullptr;
}

bool Thread::Resume() {
    if (!handle_) return false;
    std::lock_guard guard(gate_->lock);
    gate_->resumed = true;
    gate_->changed.notify_all();
    return true;
}

void Thread::Join() {
    if (!handle_) return;
    {
        // A thread that never got resumed would otherwise wait for ever.
        std::lock_guard guard(gate_->lock);
        if (!gate_->resumed) {
            gate_->cancelled = true;
            gate_->changed.notify_all();
        }
    }
    if (IsCurrentThread()) {
        handle_->detach();
    } else if (handle_->joinable()) {
        handle_->join();
    }
    handle_.reset();
    id_ = kNoThreadId;
}

void Thread::Detach() {
    if (!handle_) return;
    if (handle_->joinable()) handle_->detach();
    handle_.reset();
}

bool Thread::IsCurrentThread() const { return handle_ && handle_->get_id() == std::this_thread::get_id(); }

std::string Thread::DebuggerName() const { return name_.empty() ? "t" + std::to_string(id_) : name_; }

std::uint32_t Thread::CallBack(const Callable& callable, void* argument, const std::string& name) {
    platform::SetCurrentThreadName(name.empty() ? "t" + std::to_string(platform::CurrentThreadId()) : name);
    DIAG_LOG("THREAD BEGIN");
    if (callable) callable(argument);
    DIAG_LOG("THREAD END");
    return 0;
}

}  // namespace Utils
