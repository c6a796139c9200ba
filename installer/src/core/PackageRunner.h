#pragma once
// Runs the downloaded setup package silently and reports its progress.
//
// Events (all on the worker thread "ABDEF", in order): 2001, 2002 (0), then
// what the package's status lines raise (2002, 3000-3009), and exactly one
// outcome: 2003 (0 on "State=Success", 1 when the package exited without a
// decisive line) or 2004 (0 "State=Fail", 1000 "Error=", 2 when it could not
// be started).
// Setters and Start are called by the owner thread only, never while a run
// is in progress. Destroying the runner does not stop a running package: the
// worker keeps what it needs and ends on its own.
#include <memory>
#include <string>

#include "core/StageCodes.h"

namespace Utils {
class Thread;
}

class PackageRunner {
public:
    // `package_path` comes already enclosed in double quotes.
    PackageRunner(StageCallback callback, std::string package_path, std::string install_folder, bool dsc, bool ssc,
                  bool adminact);
    ~PackageRunner();
    PackageRunner(const PackageRunner&) = delete;
    PackageRunner& operator=(const PackageRunner&) = delete;

    void SetInstallFolder(std::string folder) { install_folder_ = std::move(folder); }
    void SetDsc(bool value) { dsc_ = value; }
    void SetSsc(bool value) { ssc_ = value; }
    void SetAdminAct(bool value) { adminact_ = value; }
    void SetAuthorizationAct(bool value) { authorizationact_ = value; }

    // Builds the command line, waits for an earlier run of this runner to end,
    // then starts the package on a new worker thread. Returns at once.
    void Start();
    // Waits until the current run's worker thread has ended.
    void Join();

    // The package's command line from the current settings and the launch
    // settings' extra arguments.
    std::string BuildCommandLine() const;
    const std::string& CommandLine() const { return command_line_; }

private:
    StageCallback callback_;
    std::string package_path_;
    std::string install_folder_;
    std::string command_line_;
    bool ssc_;
    bool dsc_;
    bool adminact_;
    bool authorizationact_ = false;
    std::unique_ptr<Utils::Thread> thread_;
};
