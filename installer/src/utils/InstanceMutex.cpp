#include "utils/InstanceMutex.h"

#include "platform/named_mutex.h"
#include "utils/DiagLog.h"

namespace Utils {

InstanceMutex::InstanceMutex(std::string name) : name_(std::move(name)) {}

// Defined here, where NamedMutex is complete.
InstanceMutex::~InstanceMutex() = default;

void InstanceMutex::Acquire() {
    if (handle_) return;
    platform::NamedMutex::Outcome outcome;
    handle_ = platform::NamedMutex::Create(kPrefix + name_, &outcome);
    if (outcome == platform::NamedMutex::Outcome::Failed) DIAG_LOG("InstanceMutex: cannot create %s", name_.c_str());
}

}  // namespace Utils
