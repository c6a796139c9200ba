// Flushes 10,000 typical events (about 20 properties each) to the local
// collector stand-in over HTTPS and prints: records per second for building
// and serialising, bytes on the wire per record, the number of POSTs, and
// the peak resident set size.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "CollectorServer.h"
#include "event_collector/CurlSender.h"
#include "event_collector/RecordBuilder.h"
#include "event_collector/Sdk.h"

using namespace event_collector;

namespace {

constexpr int kRecords = 10000;

PropertiesNode TypicalEvent(int n) {
    PropertiesNode p;
    p.SetString("qx_app_id", "quorvane-installer");
    p.SetString("qx_app_version", "1.7.9");
    p.SetString("qx_channel", "official");
    p.SetString("qx_os", "Windows 10");
    p.SetString("qx_os_version", "10.0.19045");
    p.SetString("qx_language", "zh-CN");
    p.SetString("qx_page", "install_progress");
    p.SetString("qx_button", "立即安装");
    p.SetString("qx_install_path", "C:\\Program Files\\Quorvane");
    p.SetString("qx_ab_group", "B");
    p.SetString("qx_session_id", "5b3c9e1e-2f7a-4d0e-9a51-" + std::to_string(100000000000 + n));
    p.SetString("$screen", "1920x1080");
    p.SetNumber("qx_step", n % 12);
    p.SetNumber("qx_progress", (n % 100) / 100.0);
    p.SetNumber("qx_elapsed_ms", static_cast<std::int64_t>(n) * 37);
    p.SetNumber("qx_free_space_gb", 123.5);
    p.SetBool("qx_is_wow64", false);
    p.SetBool("qx_check_net", true);
    p.SetList("qx_flags", {"silent", "shortcut"});
    p.SetDateTime("qx_started", 1700000000 + n, n % 1000);
    return p;
}

long PeakRssKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

}  // namespace

int main() {
    // Building and serialising alone.
    PropertiesNode super;
    super.SetString("$lib", "cpp");
    super.SetString("$lib_version", "0.7");
    std::size_t jsonBytes = 0;
    const auto buildStart = std::chrono::steady_clock::now();
    const std::clock_t buildCpuStart = std::clock();
    for (int n = 0; n < kRecords; ++n) {
        const PropertiesNode properties = TypicalEvent(n);
        RecordInput input{.type = "track",
                          .eventName = "install_step",
                          .properties = &properties,
                          .distinctId = "3f2a9c7e-anon",
                          .superProperties = &super,
                          .nowMilliseconds = 1700000000000 + n};
        jsonBytes += BuildRecord(input)->size();
    }
    const double buildSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - buildStart).count();
    // Processor time as well: on a shared machine the wall clock says more about the neighbours.
    const double buildCpuSeconds = static_cast<double>(std::clock() - buildCpuStart) / CLOCKS_PER_SEC;

    const long buildPeakKiB = PeakRssKiB();

    // The whole path to the collector: Track, then Flush whenever the queue
    // would otherwise overflow.
    collector::CollectorServer server;
    if (!server.Start()) return 1;
    const auto dir = std::filesystem::temp_directory_path() / "bench-collector";
    std::filesystem::create_directories(dir);
    std::ofstream((dir / "ca.pem").string()) << server.CaCertificatePem();
    ::setenv(kCaBundleVariable, (dir / "ca.pem").c_str(), 1);
    if (!Sdk::Init((dir / "staging").string(), server.Url(), "3f2a9c7e-anon", false)) return 1;
    const auto flushStart = std::chrono::steady_clock::now();
    bool ok = true;
    for (int n = 0; n < kRecords; ++n) {
        Sdk::Track("install_step", TypicalEvent(n));
        if ((n + 1) % 1000 == 0) ok = Sdk::Flush() && ok;
    }
    ok = Sdk::Flush() && ok;
    const double flushSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - flushStart).count();
    Sdk::Shutdown();
    server.Stop();
    std::filesystem::remove_all(dir);

    std::size_t wireBytes = 0, received = 0;
    const auto requests = server.Requests();
    for (const auto& request : requests) {
        wireBytes += request.bodyBytes;
        received += request.records;
    }
    std::printf("records: %d, all delivered: %s (%zu received)\n", kRecords, ok ? "yes" : "no", received);
    std::printf("build + serialise: %.0f records/s wall, %.0f records/s of processor time (%.0f JSON bytes per record)\n",
                kRecords / buildSeconds, kRecords / buildCpuSeconds, static_cast<double>(jsonBytes) / kRecords);
    std::printf("track + flush over HTTPS: %.0f records/s\n", kRecords / flushSeconds);
    std::printf("POST bodies: %zu bytes per record after gzip + Base64 + percent-encoding\n",
                received ? wireBytes / received : 0);
    std::printf("POSTs: %zu\n", requests.size());
    std::printf("peak RSS: %ld KiB after building alone, %ld KiB at the end (the collector, which keeps every\n"
                "record it received, runs in this process too)\n",
                buildPeakKiB, PeakRssKiB());
    return ok ? 0 : 1;
}
