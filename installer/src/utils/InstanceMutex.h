#pragma once
// The single-instance guard: a mutex named "A6E724BE62E3CF87_" + name, held
// from Acquire until the process ends.
#include <memory>
#include <string>

namespace platform {
class NamedMutex;
}

namespace Utils {

class InstanceMutex {
public:
    explicit InstanceMutex(std::string name);
    ~InstanceMutex();
    InstanceMutex(const InstanceMutex&) = delete;
    InstanceMutex& operator=(const InstanceMutex&) = delete;

    // Takes the mutex unless this object already holds it. Afterwards
    // IsHeld() false means another instance holds the name.
    void Acquire();
    bool IsHeld() const { return handle_ != nullptr; }
    const std::string& Name() const { return name_; }

    static constexpr const char* kPrefix = "A6E724BE62E3CF87_";

private:
    std::string name_;
    std::unique_ptr<platform::NamedMutex> handle_;
};

}  // namespace Utils
