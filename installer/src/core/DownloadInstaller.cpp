#include "core/DownloadInstaller.h"

#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "core/InstallRecord.h"
#include "core/LaunchSettings.h"
#include "core/PackageRunner.h"
#include "core/UninstallerRunner.h"
#include "download/CurlDownloader.h"
#include "download/MTCurlDownloader.h"
#include "download/WinDownloader.h"
#include "utils/DiagLog.h"
#include "utils/SystemChecks.h"

namespace fs = std::filesystem;

// Lets worker threads into the pipeline only while it lives, and lets its
// destructor wait until no reaction is running.
struct CDownloadInstaller::Gate {
    std::mutex lock;
    std::condition_variable idle;
    bool open = true;
    int active = 0;

    bool Enter() {
        std::lock_guard guard(lock);
        if (open) ++active;
        return open;
    }
    void Leave() {
        std::lock_guard guard(lock);
        if (--active == 0) idle.notify_all();
    }
    void Close() {
        std::unique_lock guard(lock);
        open = false;
        idle.wait(guard, [this] { return active == 0; });
    }
    // Waits until no reaction runs; what the reactions wrote is then visible.
    void WaitIdle() {
        std::unique_lock guard(lock);
        idle.wait(guard, [this] { return active == 0; });
    }
};

CDownloadInstaller::CDownloadInstaller(StageCallback callback, std::string download_url,
                                       std::string old_uninstaller, std::string install_folder, bool dsc, bool ssc,
                                       bool adminact)
    : download_url_(std::move(download_url)),
      old_uninstaller_(std::move(old_uninstaller)),
      install_folder_(std::move(install_folder)),
      dsc_(dsc),
      ssc_(ssc),
      adminact_(adminact),
      callback_(std::move(callback)),
      engine_factory_(&CDownloadInstaller::CreateEngine),
      gate_(std::make_shared<Gate>()) {}

CDownloadInstaller::~CDownloadInstaller() {
    gate_->Close();
    engine_.reset();
    package_runner_.reset();
    uninstaller_runner_.reset();
}

void CDownloadInstaller::Configure(std::string download_url, std::string old_uninstaller,
                                   std::string install_folder, bool dsc, bool ssc, bool adminact,
                                   bool authorizationact) {
    // The owner learns of an event before the pipeline acts on it, so it may
    // answer while the reaction still runs (e.g. deleting a failed package).
    gate_->WaitIdle();
    download_url_ = std::move(download_url);
    old_uninstaller_ = std::move(old_uninstaller);
    install_folder_ = std::move(install_folder);
    dsc_ = dsc;
    ssc_ = ssc;
    adminact_ = adminact;
    authorizationact_ = authorizationact;
}

std::unique_ptr<CDownloader> CDownloadInstaller::CreateEngine(std::int32_t download_type, DownloadCallback callback,
                                                              std::string url, std::string target_path) {
    switch (download_type) {
        case 2:
            return std::make_unique<CWinDownloader>(std::move(callback), std::move(url), std::move(target_path));
        case 3:
            return std::make_unique<CMTCurlDownloader>(std::move(callback), std::move(url), std::move(target_path));
        default:
            return std::make_unique<CCurlDownloader>(std::move(callback), std::move(url), std::move(target_path));
    }
}

std::string CDownloadInstaller::UninstallerCopyPath() {
    std::string temp = Utils::GetTempFolder();
    if (temp.empty()) return {};
    return (fs::path(temp) / "Quorvane_un_asa.exe").string();
}

StageCallback CDownloadInstaller::Bind(void (CDownloadInstaller::*reaction)(std::int32_t, double, const char*)) {
    return [gate = gate_, this, reaction](std::int32_t code, double progress, const char* message) {
        if (!gate->Enter()) return;
        struct Leave {
            Gate& gate;
            ~Leave() { gate.Leave(); }
        } leave{*gate};
        (this->*reaction)(code, progress, message);
    };
}

void CDownloadInstaller::Start() {
    gate_->WaitIdle();
    package_path_ = (fs::path(install_folder_) / (std::string("__Package_") + kProductName + ".exe")).string();
    std::int32_t download_type = TheLaunchSettings().DownloadType;
    DIAG_LOG("DL_TYPE=%d", download_type);

    // An engine and a runner are bound to the package path they were made
    // for; a new install folder gets new ones rather than a package left in
    // the old folder.
    if (engine_ && engine_package_path_ != package_path_) {
        engine_.reset();
        package_runner_.reset();
    }
    if (!engine_) {
        engine_ = engine_factory_(download_type, Bind(&CDownloadInstaller::OnDownloadStage), download_url_,
                                  package_path_);
    }
    if (!package_runner_) {
        package_runner_ = std::make_unique<PackageRunner>(Bind(&CDownloadInstaller::OnInstallStage),
                                                          "\"" + package_path_ + "\"", install_folder_, dsc_, ssc_,
                                                          adminact_);
    }
    engine_package_path_ = package_path_;
    package_runner_->SetInstallFolder(install_folder_);
    package_runner_->SetDsc(dsc_);
    package_runner_->SetSsc(ssc_);
    package_runner_->SetAdminAct(adminact_);
    package_runner_->SetAuthorizationAct(authorizationact_);

    std::error_code error;
    if (!old_uninstaller_.empty() && fs::is_regular_file(old_uninstaller_, error)) {
        std::string copy = UninstallerCopyPath();
        // A failed copy must not leave an earlier run's uninstaller in its
        // place to be run against this folder: without a copy the runner
        // reports the missing file instead.
        if (!copy.empty() && !fs::copy_file(old_uninstaller_, copy, fs::copy_options::overwrite_existing, error))
            fs::remove(copy, error);
        std::string old_folder = fs::path(old_uninstaller_).parent_path().string();
        uninstaller_runner_ =
            std::make_unique<UninstallerRunner>(Bind(&CDownloadInstaller::OnUninstallStage), copy, old_folder);
        uninstaller_runner_->Start();
        return;  // the download waits for 5003
    }
    engine_->Start();
}

void CDownloadInstaller::DeletePackage() {
    std::error_code error;
    fs::remove(package_path_, error);
}

void CDownloadInstaller::OnDownloadStage(std::int32_t code, double progress, const char* message) {
    callback_(code, progress, message);
    switch (code) {
        case DL_CODE_START:
            DIAG_LOG("DL_CODE_START");
            Utils::CreateDirectories(install_folder_);
            break;
        case DL_CODE_PROGRESS:
            DIAG_LOG("DL_CODE_PROGRESS");
            break;
        case DL_CODE_SUCCESS:
            DIAG_LOG("DOWNLOAD_SUCCESS");
            package_runner_->Start();
            DIAG_LOG("DL_CODE_SUCCESS");
            break;
        case DL_CODE_FAIL:
            DIAG_LOG("DL_CODE_FAIL");
            DeletePackage();
            break;
        case DL_CODE_RETRY:
            DIAG_LOG("DL_CODE_RETRY");
            engine_->Start();
            break;
        default:
            break;
    }
}

void CDownloadInstaller::OnInstallStage(std::int32_t code, double progress, const char* message) {
    callback_(code, progress, message);
    switch (code) {
        case IST_CODE_START:
            DIAG_LOG("IST_CODE_START");
            break;
        case IST_CODE_PROGRESS:
            DIAG_LOG("IST_CODE_PROGRESS");
            break;
        case INSTALL_SUCCESS:
            DIAG_LOG("INSTALL_SUCCESS");
            DeletePackage();
            break;
        case IST_CODE_FAIL:
            DIAG_LOG("IST_CODE_FAIL");
            DeletePackage();
            break;
        default:
            break;
    }
}

void CDownloadInstaller::OnUninstallStage(std::int32_t code, double progress, const char* message) {
    callback_(code, progress, message);
    switch (code) {
        case UNIST_CODE_START:
            DIAG_LOG("UNIST_CODE_START");
            break;
        case UNIST_CODE_PROGRESS:
            DIAG_LOG("UNIST_CODE_PROGRESS");
            break;
        case UNIST_CODE_SUCCESS:
            DIAG_LOG("UNIST_CODE_SUCCESS");
            if (package_runner_) engine_->Start();
            break;
        case UNIST_CODE_FAIL:
            DIAG_LOG("UNIST_CODE_FAIL");
            break;
        case UNIST_CODE_ERROR:
            DIAG_LOG("UNIST_CODE_ERROR");
            break;
        default:
            break;
    }
}
