#include "core/PackageRunner.h"

#include <chrono>

#include "core/LaunchSettings.h"
#include "core/StatusProtocolPump.h"
#include "platform/code_page.h"
#include "utils/Thread.h"

namespace {

const char* Bool(bool value) { return value ? "true" : "false"; }

// The package is polled, not waited on: between polls it may fill the pipe.
constexpr std::chrono::milliseconds kPollInterval{100};

void RunPackage(const StageCallback& callback, const std::string& command_line) {
    callback(IST_CODE_START, 0, "");
    callback(IST_CODE_PROGRESS, 0, "");
    StatusProtocol protocol(StatusChild::Package, DecodeChildOutput);
    RunStatusChildToEnd(command_line, protocol, callback, kPollInterval,
                        {.not_started = {IST_CODE_FAIL, 2, ""},
                         .crashed = {IST_CODE_FAIL, 0, "安装包安装失败"},
                         .silent = {INSTALL_SUCCESS, 1, ""}});
}

}  // namespace

PackageRunner::PackageRunner(StageCallback callback, std::string package_path, std::string install_folder, bool dsc,
                             bool ssc, bool adminact)
    : callback_(std::move(callback)),
      package_path_(std::move(package_path)),
      install_folder_(std::move(install_folder)),
      ssc_(ssc),
      dsc_(dsc),
      adminact_(adminact) {}

PackageRunner::~PackageRunner() {
    if (thread_) thread_->Detach();
}

std::string PackageRunner::BuildCommandLine() const {
    std::string line = package_path_;
    line += " /S -console=show -version=1.0.0";
    line += std::string(" -adminact=") + Bool(adminact_);
    line += std::string(" -authorizationact=") + Bool(authorizationact_);
    line += std::string(" -dsc=") + Bool(dsc_);
    line += std::string(" -ssc=") + Bool(ssc_);
    const std::string& extra = TheLaunchSettings().InstCmd;
    if (!extra.empty()) line += " " + extra;
    if (!install_folder_.empty()) {
        line += " -instdir=\"" + install_folder_ + "\"";
        line += " /D=" + install_folder_;  // unquoted and last, as silent installers expect
    }
    return line;
}

void PackageRunner::Start() {
    command_line_ = BuildCommandLine();
    Join();
    // The worker gets its own copies, so it can outlive this object.
    thread_ = std::make_unique<Utils::Thread>(
        nullptr, "ABDEF", [callback = callback_, command_line = command_line_](void*) -> std::uint32_t {
            RunPackage(callback, command_line);
            return 0;
        });
    thread_->Resume();
}

void PackageRunner::Join() {
    if (thread_) thread_->Join();
}
