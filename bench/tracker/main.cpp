// Measures, on the caller's thread, what the tracker's reports cost:
//   - a deferred report (click): record building, queueing and the 1 ms pause;
//   - an immediate report (crash): a flush of everything pending over loopback;
//   - the release at exit with records still pending.
// The collector stand-in runs on 127.0.0.1; all files live in a temporary folder.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include "CollectorServer.h"
#include "TrackerInstance.h"
#include "platform/environment.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace tessavon::tracking;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void PrintStats(const char* what, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const double median = samples[samples.size() / 2];
    const double p95 = samples[samples.size() * 95 / 100];
    std::printf("%-44s n=%4zu  median %8.3f ms  p95 %8.3f ms  max %8.3f ms\n", what, samples.size(), median, p95,
                samples.back());
}

}  // namespace

int main() {
    const auto folder = std::filesystem::temp_directory_path() / ("bench-tracker-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(folder);
    platform::ScopedEnvironmentVariable local("LOCALAPPDATA", folder.string());
    collector::CollectorServer server(collector::CollectorOptions{.https = false, .recordsFile = "", .print = false});
    if (!server.Start()) return 1;

    UsageTrackerConfig config;
    config.appName = "Quorvane.downloader";
    config.appVersion = "1.7.9";
    config.appStore = "QuorvaneInstaller";
    config.dlAppId = "Quorvane";
    config.serverUrl = server.Url();

    auto start = Clock::now();
    CreateUsageTracker(config);
    std::printf("%-44s %8.3f ms\n", "start (settings file, identity, client)", Milliseconds(Clock::now() - start));
    auto tracker = TrackerInstance.load();

    QxContextProperties context;
    context.setProperty({KindValue(QxEventType::Click), KindValue(QxEventType::Task)}, "IN");
    std::vector<double> deferred, immediate;
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < 25; ++i) {
            QxEventClick click;
            click.name = "立即安装";
            start = Clock::now();
            tracker->trackClick(click, context);
            deferred.push_back(Milliseconds(Clock::now() - start));
        }
        start = Clock::now();
        tracker->trackCrash("崩溃");  // flushes the 25 clicks and itself
        immediate.push_back(Milliseconds(Clock::now() - start));
    }
    PrintStats("deferred click (incl. the 1 ms pause)", deferred);
    PrintStats("crash report flushing 25 pending + itself", immediate);

    for (int i = 0; i < 100; ++i) {
        QxEventTask task;
        task.name = "下载失败原因";
        tracker->trackTask(task, context);
    }
    tracker.reset();
    start = Clock::now();
    ReleaseUsageTracker();
    std::printf("%-44s %8.3f ms\n", "release with 100 pending reports", Milliseconds(Clock::now() - start));
    std::printf("records stored by the collector: %zu\n", server.Records().size());

    server.Stop();
    std::filesystem::remove_all(folder);
    return 0;
}
