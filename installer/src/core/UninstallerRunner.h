#pragma once
// Runs the old installation's uninstaller silently and reports its progress.
//
// Events (all on the worker thread "UnInstaller"): 5004 (1, "可执行卸载文件不存在")
// alone when the uninstaller file is missing; otherwise 5002 (0), what its
// status lines raise (5002, 5003, 5005), and when it exits without a decisive
// line 5003 (1); 5004 (2) when it cannot be started.
// Start is called by the owner thread. Destroying the runner does not stop a
// running uninstaller: the worker keeps what it needs and ends on its own.
#include <memory>
#include <string>

#include "core/StageCodes.h"

namespace Utils {
class Thread;
}

class UninstallerRunner {
public:
    UninstallerRunner(StageCallback callback, std::string uninstaller_path, std::string old_install_folder);
    ~UninstallerRunner();
    UninstallerRunner(const UninstallerRunner&) = delete;
    UninstallerRunner& operator=(const UninstallerRunner&) = delete;

    // Builds the command line (probing the two account flags) and starts the
    // uninstaller on a new worker thread. Returns at once.
    void Start();
    // Waits until the worker thread has ended.
    void Join();

    std::string BuildCommandLine() const;
    const std::string& CommandLine() const { return command_line_; }

private:
    StageCallback callback_;
    std::string command_line_;
    std::string uninstaller_path_;
    std::string old_install_folder_;
    std::unique_ptr<Utils::Thread> thread_;
};
