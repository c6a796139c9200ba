#pragma once
// The download-install pipeline: an optional silent uninstall of the copy that
// is already there, the download of the setup package into the install folder,
// and the silent run of that package.
//
// Every stage event of the engine and the runners is first handed unchanged to
// the owner's StageCallback and then acted on here (start the next stage,
// delete the package, retry). The owner's thread constructs, configures and
// starts; all further work, and every callback, happens on worker threads.
// Stages never overlap, so the fields are not locked; Configure and Start
// first wait for a reaction still running (the owner may answer an event
// before the pipeline has finished acting on it).
// Destroying the pipeline waits for a reaction in progress, then lets running
// worker threads go on without it: their later events are dropped. Neither
// Configure, Start nor destruction may be called from inside the callback.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/StageCodes.h"

class CDownloader;
class PackageRunner;
class UninstallerRunner;

class CDownloadInstaller {
public:
    using EngineFactory = std::function<std::unique_ptr<CDownloader>(
        std::int32_t download_type, DownloadCallback callback, std::string url, std::string target_path)>;

    CDownloadInstaller(StageCallback callback, std::string download_url, std::string old_uninstaller,
                       std::string install_folder, bool dsc, bool ssc, bool adminact);
    ~CDownloadInstaller();
    CDownloadInstaller(const CDownloadInstaller&) = delete;
    CDownloadInstaller& operator=(const CDownloadInstaller&) = delete;

    void Configure(std::string download_url, std::string old_uninstaller, std::string install_folder, bool dsc,
                   bool ssc, bool adminact, bool authorizationact);
    // Starts the first stage and returns at once. Called again (after a
    // failed download, or with new settings) it reuses the engine and the
    // package runner as long as the package path is unchanged.
    void Start();

    // The engine for a DownloadType: 2 the URL-moniker engine, 3 the
    // multi-part engine, anything else the single-stream engine.
    static std::unique_ptr<CDownloader> CreateEngine(std::int32_t download_type, DownloadCallback callback,
                                                     std::string url, std::string target_path);
    // Replaces CreateEngine (tests drive the pipeline with a scripted engine).
    void SetEngineFactory(EngineFactory factory) { engine_factory_ = std::move(factory); }

    // "__Package_Quorvane.exe" in the install folder (after Start).
    const std::string& PackagePath() const { return package_path_; }
    // Where the old uninstaller is copied before it runs; empty when the
    // temporary folder is unavailable.
    static std::string UninstallerCopyPath();

private:
    struct Gate;

    void OnDownloadStage(std::int32_t code, double progress, const char* message);
    void OnInstallStage(std::int32_t code, double progress, const char* message);
    void OnUninstallStage(std::int32_t code, double progress, const char* message);
    // A callback for a worker that runs `reaction` on this pipeline while it lives.
    StageCallback Bind(void (CDownloadInstaller::*reaction)(std::int32_t, double, const char*));
    void DeletePackage();

    std::unique_ptr<UninstallerRunner> uninstaller_runner_;
    std::unique_ptr<CDownloader> engine_;
    std::unique_ptr<PackageRunner> package_runner_;
    std::string download_url_;
    std::string old_uninstaller_;
    std::string install_folder_;
    std::string package_path_;
    std::string engine_package_path_;  // the package path the engine and runner were made for
    bool dsc_;
    bool ssc_;
    bool adminact_;
    bool authorizationact_ = false;
    StageCallback callback_;
    EngineFactory engine_factory_;
    std::shared_ptr<Gate> gate_;
};
