#include "core/UninstallerRunner.h"

#include <chrono>
#include <filesystem>

#include "core/StatusProtocolPump.h"
#include "utils/Account.h"
#include "utils/Thread.h"

namespace {

const char* Bool(bool value) { return value ? "true" : "false"; }

// Uninstallers are read as eagerly as they write; the pause only keeps an
// idle wait from spinning.
constexpr std::chrono::milliseconds kIdlePause{10};

void RunUninstaller(const StageCallback& callback, const std::string& uninstaller_path,
                    const std::string& command_line) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(uninstaller_path, error)) {
        callback(UNIST_CODE_FAIL, 1, "可执行卸载文件不存在");
        return;
    }
    callback(UNIST_CODE_PROGRESS, 0, "");
    StatusProtocol protocol(StatusChild::Uninstaller, DecodeChildOutput);
    RunStatusChildToEnd(command_line, protocol, callback, kIdlePause,
                        {.not_started = {UNIST_CODE_FAIL, 2, ""},
                         .crashed = {UNIST_CODE_ERROR, 0, "安装包卸载失败"},
                         .silent = {UNIST_CODE_SUCCESS, 1, ""}});
}

}  // namespace

UninstallerRunner::UninstallerRunner(StageCallback callback, std::string uninstaller_path,
                                     std::string old_install_folder)
    : callback_(std::move(callback)),
      uninstaller_path_(std::move(uninstaller_path)),
      old_install_folder_(std::move(old_install_folder)) {}

UninstallerRunner::~UninstallerRunner() {
    if (thread_) thread_->Detach();
}

std::string UninstallerRunner::BuildCommandLine() const {
    std::string console_user;
    bool console_admin = Utils::GetConsoleUserName(console_user) && Utils::IsAdministratorAccount(console_user);
    // An unquoted path with a blank would name another program (its first
    // word); quoting it only then keeps every ordinary command line unchanged.
    std::string program = uninstaller_path_;
    if (program.find_first_of(" \t") != std::string::npos) program = "\"" + program + "\"";
    return program + " /S -adminact=" + Bool(console_admin) + " -authorizationact=" + Bool(Utils::IsUserAdmin()) +
           " -console=show _?=" + old_install_folder_;
}

void UninstallerRunner::Start() {
    command_line_ = BuildCommandLine();
    Join();
    thread_ = std::make_unique<Utils::Thread>(
        nullptr, "UnInstaller",
        [callback = callback_, path = uninstaller_path_, command_line = command_line_](void*) -> std::uint32_t {
            RunUninstaller(callback, path, command_line);
            return 0;
        });
    thread_->Resume();
}

void UninstallerRunner::Join() {
    if (thread_) thread_->Join();
}
