#pragma once
// Process environment variables. Not safe against concurrent changes from
// other threads (the C library's environment is not); set variables before
// starting threads, as tests do.
#include <optional>
#include <string>

namespace platform {

// The variable's value; empty optional when it is not set.
std::optional<std::string> GetEnvironmentVariable(const std::string& name);
// Sets the variable, or removes it when `value` is empty optional.
void SetEnvironmentVariable(const std::string& name, const std::optional<std::string>& value);

// Sets (or removes) a variable for the lifetime of the object, then puts the
// previous state back.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(std::string name, const std::optional<std::string>& value)
        : name_(std::move(name)), previous_(GetEnvironmentVariable(name_)) {
        SetEnvironmentVariable(name_, value);
    }
    ~ScopedEnvironmentVariable() { SetEnvironmentVariable(name_, previous_); }
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

}  // namespace platform
