#include "platform/crash_hook.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <exception>

namespace platform {
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

std::atomic<CrashHandler> g_handler{nullptr};
// 0: no crash yet; 1: a crash is being reported. Set once and never cleared,
// so the handler runs once even when several threads crash together.
std::atomic<int> g_reporting{0};

const char* Describe(int signal) {
    switch (signal) {
        case SIGSEGV: return "segmentation fault";
        case SIGBUS: return "bus error";
        case SIGILL: return "illegal instruction";
        case SIGFPE: return "arithmetic exception";
        case SIGABRT: return "abort";
        default: return "fatal signal";
    }
}

void RestoreDefault(int signal) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
}

// The report may need a lock the crashing thread already holds (inside
// malloc, say) or wait on the network; a crashed process must still end.
std::atomic<unsigned> g_report_seconds{15};

void Report(const CrashInfo& info) {
    int expected = 0;
    if (!g_reporting.compare_exchange_strong(expected, 1)) return;
    CrashHandler handler = g_handler.load();
    if (handler == nullptr) return;
    RestoreDefault(SIGALRM);  // the default action of the watchdog ends the process
    unsigned previous_alarm = ::alarm(g_report_seconds.load());
    handler(info);
    ::alarm(previous_alarm);
}

void OnFatalSignal(int signal, siginfo_t* details, void*) {
    // Restore first: a fault inside the handler then ends the process at once.
    for (int s : kFatalSignals) RestoreDefault(s);
    bool memory_fault = signal == SIGSEGV || signal == SIGBUS || signal == SIGILL || signal == SIGFPE;
    Report({signal, Describe(signal), memory_fault && details != nullptr ? details->si_addr : nullptr});
    // The signal is blocked while its handler runs; unblock it so the re-raise
    // takes effect now instead of after we return into the faulting code.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    // With the default action back, the process ends here as it would have.
    ::raise(signal);
}

void OnTerminate() {
    Report({SIGABRT, "uncaught exception", nullptr});
    for (int s : kFatalSignals) RestoreDefault(s);
    std::abort();
}

void InstallAlternateStack() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    // Roomy: the report may compress and send over TLS on this stack.
    constexpr std::size_t kSize = 512 * 1024;
    static char* memory = new char[kSize];
    stack_t stack{};
    stack.ss_sp = memory;
    stack.ss_size = kSize;
    ::sigaltstack(&stack, nullptr);
}

}  // namespace

void InstallCrashHook(CrashHandler handler, unsigned report_seconds) {
    g_handler.store(handler);
    g_report_seconds.store(report_seconds > 0 ? report_seconds : 1);
    InstallAlternateStack();
    for (int s : kFatalSignals) {
        struct sigaction action {};
        action.sa_sigaction = OnFatalSignal;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        ::sigaction(s, &action, nullptr);
    }
    std::set_terminate(OnTerminate);
}

}  // namespace platform
