#include "platform/process.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/command_line.h"

extern char** environ;

namespace platform {
namespace {

// Downloaded packages are plain files; Windows starts any readable .exe, so
// give the owner the execute bit the way the Windows loader needs none.
void MakeStartable(const std::string& program) {
    struct stat info {};
    if (::stat(program.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
    if ((info.st_mode & S_IXUSR) != 0) return;
    if (::access(program.c_str(), R_OK) != 0) return;
    ::chmod(program.c_str(), (info.st_mode & 07777) | S_IXUSR);
}

}  // namespace

std::unique_ptr<Process> Process::Start(const std::string& command_line, FileHandle standard_input,
                                        FileHandle standard_output, FileHandle standard_error, int* error) {
    int ignored = 0;
    int& failure = error != nullptr ? *error : ignored;
    std::vector<std::string> arguments = SplitWindowsCommandLine(command_line);
    if (arguments.empty() || arguments[0].empty()) {
        failure = ENOENT;
        return nullptr;
    }
    bool is_path = arguments[0].find('/') != std::string::npos;
    if (is_path) MakeStartable(arguments[0]);

    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawnattr_init(&attributes);
    // dup2 clears close-on-exec on the copies, so exactly these three reach the child.
    ::posix_spawn_file_actions_adddup2(&actions, static_cast<int>(standard_input), 0);
    ::posix_spawn_file_actions_adddup2(&actions, static_cast<int>(standard_output), 1);
    ::posix_spawn_file_actions_adddup2(&actions, static_cast<int>(standard_error), 2);
    // Anything else we hold, including descriptors a library opened without
    // close-on-exec, stays ours: a stray copy of a pipe end in the child would
    // keep that pipe open after we close it.
    ::posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    // A session of its own: no controlling terminal, and a Ctrl+C meant for
    // the installer's terminal does not reach the package.
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    sigset_t none;
    sigemptyset(&none);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    // Signals we ignore or catch (SIGPIPE, the crash hook) start at their defaults in the child.
    sigset_t defaults;
    sigfillset(&defaults);
    ::posix_spawnattr_setsigdefault(&attributes, &defaults);

    pid_t pid = 0;
    int rc = is_path ? ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ)
                     : ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    if (rc != 0) {
        failure = rc;
        return nullptr;
    }
    return std::unique_ptr<Process>(new Process(pid));
}

Process::~Process() {
    // Collect an already finished child so it does not linger as a zombie.
    if (!reaped_) Reap(false);
}

bool Process::Reap(bool wait) {
    if (reaped_) return true;
    int status = 0;
    pid_t rc;
    do {
        rc = ::waitpid(pid_, &status, wait ? 0 : WNOHANG);
    } while (rc < 0 && errno == EINTR);
    if (rc == 0) return false;
    reaped_ = true;
    if (rc < 0) {
        exit_code_ = 0;  // reaped elsewhere (SIGCHLD ignored): the outcome is lost
    } else if (WIFEXITED(status)) {
        exit_code_ = static_cast<std::uint32_t>(WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
        exit_code_ = 128u + static_cast<std::uint32_t>(WTERMSIG(status));
        ended_by_signal_ = true;
    }
    return true;
}

std::uint32_t Process::ExitCode() {
    Reap(false);
    return exit_code_;
}

std::uint32_t Process::Wait() {
    Reap(true);
    return exit_code_;
}

bool Process::Kill() {
    if (reaped_) return false;
    return ::kill(pid_, SIGKILL) == 0;
}

}  // namespace platform
