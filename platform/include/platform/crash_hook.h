#pragma once
// Last words of a crashing process: a fatal signal (SIGSEGV, SIGBUS, SIGILL,
// SIGFPE, SIGABRT) or an uncaught C++ exception (std::terminate).
//
// The registered handler is called at most once per process, on the thread
// that crashed, from a signal handler: it must keep to async-signal-safe work
// where it can. A second fault while the handler runs skips it. Afterwards the
// default action is restored and the signal raised again, so the process still
// dies the way it would have (core dump, exit status). A handler still busy
// after `report_seconds` (stuck on a lock the crashed thread holds, or on the
// network) is cut short: the watchdog's SIGALRM ends the process.
namespace platform {

struct CrashInfo {
    int signal;                // the fatal signal (SIGABRT for std::terminate)
    const char* description;   // "segmentation fault", "uncaught exception", ...
    const void* address;       // faulting address for memory faults, else null
};

using CrashHandler = void (*)(const CrashInfo& info);

// Installs the hook for the whole process; a later call replaces the handler.
// The main thread gets an alternate signal stack so that a stack overflow can
// still be reported.
void InstallCrashHook(CrashHandler handler, unsigned report_seconds = 15);

}  // namespace platform
