#pragma once
// Where the engines send the reasons of failed size probes ("下载失败原因").
// The analytics side installs its sink at start-up; without one, the reason only
// goes to the diagnostic log. The sink is called on engine threads.
#include <memory>
#include <string>

namespace download {

class DownloadFailureReporter {
public:
    virtual ~DownloadFailureReporter() = default;
    // title "下载失败原因", progress 0, reason text, and the "AB" group property.
    virtual void Report(const std::string& title, double progress, const std::string& reason,
                        const std::string& ab_group) = 0;
};

// Installs `sink` (null removes it). Set it before engines run.
void SetDownloadFailureReporter(std::shared_ptr<DownloadFailureReporter> sink);

// Logs the reason and hands it to the installed sink, if any.
void ReportDownloadFailure(const std::string& reason);

}  // namespace download
