#pragma once
// The installer's process entry. Runs on the main thread; call it once.
//
// Order: library-loading hardening, crash hook, libcurl global initialisation
// (CurlReady false when it fails; start-up goes on), the single-instance mutex
// "Installer_Quorvane" (held elsewhere: return -1 at once, silently), the
// command-line switches over the launch settings, then teardown: libcurl
// cleanup and the mutex's release. Returns the process exit code: 0, or -1 for
// a second instance.
//
// QUORVANE_TEST_HOLD_MS (tests only): milliseconds to wait, holding the mutex,
// where the installer's window would run (at most one minute), so that a test
// can start a second instance while the first is alive.
// QUORVANE_TEST_CRASH=segv (tests only): a fatal signal at that same point,
// so that a test sees the crash hook's reports reach analytics.
#include <string>
#include <vector>

#include "platform/crash_hook.h"

// `arguments` is the process's argument vector, the program itself first; the
// tokens follow the "-key=value" switch rule.
int InstallerMain(const std::vector<std::string>& arguments);

// The process-wide crash hook. Runs in a signal handler on the crashing thread.
void CrashFilter(const platform::CrashInfo& info);
