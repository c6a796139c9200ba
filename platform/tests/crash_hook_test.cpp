#include "platform/crash_hook.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace {

std::atomic<int> g_calls{0};

void WriteReport(const platform::CrashInfo& info) {
    ++g_calls;
    char line[128];
    int n = std::snprintf(line, sizeof line, "crash #%d: %s (%d)\n", g_calls.load(), info.description, info.signal);
    ssize_t ignored = ::write(2, line, static_cast<std::size_t>(n));
    (void)ignored;
}

void FaultAgainWhileReporting(const platform::CrashInfo& info) {
    WriteReport(info);
    ::raise(SIGSEGV);  // must end the process, not call us again
}

void HangWhileReporting(const platform::CrashInfo& info) {
    WriteReport(info);
    for (;;) ::pause();  // as if waiting on a lock the crashed thread holds
}

[[noreturn]] void Segfault() {
    // Not null: the undefined-behaviour checker would stop a null store first.
    // The address comes through a volatile so the optimiser cannot see (and
    // reject) the bad store at compile time.
    volatile std::uintptr_t address = alignof(int) * 4;
    volatile int* nowhere = reinterpret_cast<volatile int*>(address);
    *nowhere = 1;
    std::abort();
}

TEST(CrashHookDeathTest, ReportsOnceThenDiesByTheSameSignal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            platform::InstallCrashHook(WriteReport);
            Segfault();
        },
        ::testing::KilledBySignal(SIGSEGV), "crash #1: segmentation fault \\(11\\)\n$");
    EXPECT_EXIT(
        {
            platform::InstallCrashHook(WriteReport);
            std::abort();
        },
        ::testing::KilledBySignal(SIGABRT), "crash #1: abort");
    EXPECT_EXIT(
        {
            platform::InstallCrashHook(WriteReport);
            // An exception leaving a thread's body reaches std::terminate.
            std::thread([] { throw std::runtime_error("nobody catches this"); }).join();
        },
        ::testing::KilledBySignal(SIGABRT), "crash #1: uncaught exception \\(6\\)\n$");
}

TEST(CrashHookDeathTest, SecondFaultWhileReportingEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            platform::InstallCrashHook(FaultAgainWhileReporting);
            std::abort();
        },
        // Which of the two signals ends it depends on when the runtime delivers
        // the nested one (sanitizers defer it); what matters is one report, then death.
        [](int status) { return WIFSIGNALED(status) && (WTERMSIG(status) == SIGSEGV || WTERMSIG(status) == SIGABRT); },
        "crash #1: abort \\(6\\)\n$");
}

}  // namespace

TEST(CrashHookDeathTest, AReportThatHangsIsCutShortByTheWatchdog) {
#if defined(__SANITIZE_THREAD__)
    // ThreadSanitizer holds back signals that arrive while a signal handler
    // runs, so the watchdog's alarm cannot be seen there.
    GTEST_SKIP() << "signals are deferred inside handlers under ThreadSanitizer";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            platform::InstallCrashHook(HangWhileReporting, 1);
            Segfault();
        },
        ::testing::KilledBySignal(SIGALRM), "crash #1: segmentation fault");
}
