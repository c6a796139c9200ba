#pragma once
// What pipe and process creation throw. The message is narrow text (UTF-8);
// the throws of the utilities leave it empty.
#include <exception>
#include <string>

namespace Utils {

class Exception : public std::exception {
public:
    explicit Exception(std::string message = {}) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

}  // namespace Utils
