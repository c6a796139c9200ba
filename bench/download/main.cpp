// Download benchmark: serves a large file from the download host on loopback
// and measures each engine and the curl command-line tool on the same address
// (median of several runs, taken in turns: wall time, throughput, CPU seconds,
// peak RSS), then a capped-rate run of the two-range engine against the
// single-stream engine.
//
//   bench_download [--size MiB=512] [--runs N=5] [--capped-size MiB=128]
//                  [--capped-runs N=3] [--rate MB/s=20]
// Every run happens in a child process so that its CPU time and peak RSS are
// its own (wait4).
#include <curl/curl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "download/CurlDownloader.h"
#include "download/MTCurlDownloader.h"
#include "download/WinDownloader.h"

extern char** environ;
namespace fs = std::filesystem;

namespace {

struct Sample {
    double wall_s = 0, cpu_s = 0, rss_mb = 0;
    bool ok = false;
};

struct Host {
    pid_t pid = -1;
    std::string url;
};

Host StartHost(const std::string& file, long long rate) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) std::exit(1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
    std::string rate_text = std::to_string(rate);
    std::vector<char*> argv = {const_cast<char*>(DOWNLOAD_HOST_PROGRAM), const_cast<char*>("--file"),
                               const_cast<char*>(file.c_str())};
    if (rate > 0) {
        argv.push_back(const_cast<char*>("--rate"));
        argv.push_back(rate_text.data());
    }
    argv.push_back(nullptr);
    Host host;
    if (posix_spawn(&host.pid, DOWNLOAD_HOST_PROGRAM, &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", DOWNLOAD_HOST_PROGRAM);
        std::exit(1);
    }
    close(pipe_fds[1]);
    FILE* out = fdopen(pipe_fds[0], "r");
    char line[4096];
    while (std::fgets(line, sizeof line, out)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        if (text.rfind("url=", 0) == 0) host.url = text.substr(4);
        if (text.rfind("md5=", 0) == 0) break;
    }
    std::fclose(out);
    return host;
}

void StopHost(const Host& host) {
    kill(host.pid, SIGTERM);
    waitpid(host.pid, nullptr, 0);
}

// Runs one engine download to the end in this (child) process.
int RunEngine(const std::string& engine, const std::string& url, const std::string& target) {
    curl_global_init(CURL_GLOBAL_ALL);
    std::mutex lock;
    std::condition_variable done;
    int result = -1;
    std::unique_ptr<CDownloader> downloader;
    DownloadCallback callback = [&](std::int32_t code, double, const char*) {
        if (code == DL_CODE_RETRY) {
            downloader->Start();
            return;
        }
        if (code == DL_CODE_SUCCESS || code == DL_CODE_FAIL) {
            std::lock_guard guard(lock);
            result = code == DL_CODE_SUCCESS ? 0 : 1;
            done.notify_all();
        }
    };
    if (engine == "single-stream") downloader = std::make_unique<CCurlDownloader>(callback, url, target);
    if (engine == "two-range") downloader = std::make_unique<CMTCurlDownloader>(callback, url, target);
    if (engine == "moniker") downloader = std::make_unique<CWinDownloader>(callback, url, target);
    downloader->Start();
    {
        std::unique_lock guard(lock);
        done.wait(guard, [&] { return result >= 0; });
    }
    downloader.reset();
    return result;
}

Sample Measure(const std::string& engine, const std::string& url, const std::string& target, std::int64_t size) {
    fs::remove(target);
    auto began = std::chrono::steady_clock::now();
    pid_t child;
    if (engine == "curl") {
        std::vector<char*> argv = {const_cast<char*>("curl"), const_cast<char*>("-sS"), const_cast<char*>("-L"),
                                   const_cast<char*>("-o"), const_cast<char*>(target.c_str()),
                                   const_cast<char*>(url.c_str()), nullptr};
        if (posix_spawnp(&child, "curl", nullptr, nullptr, argv.data(), environ) != 0) return {};
    } else {
        std::fflush(nullptr);
        child = fork();
        if (child == 0) _exit(RunEngine(engine, url, target));
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Sample sample;
    sample.wall_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    sample.cpu_s = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    sample.rss_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    std::error_code error;
    sample.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                static_cast<std::int64_t>(fs::file_size(target, error)) == size && !error;
    fs::remove(target, error);
    return sample;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

struct Summary {
    double wall_s, mbps, cpu_s, rss_mb;
    int failures;
};

// Runs the engines in turns (one run of each, then the next round), so that
// load from elsewhere on a shared machine falls on all of them alike.
std::map<std::string, Summary> Run(const std::vector<std::string>& engines, const std::string& url,
                                   const std::string& target, std::int64_t size, int runs) {
    struct Samples {
        std::vector<double> wall, mbps, cpu, rss;
        int failures = 0;
    };
    std::map<std::string, Samples> samples;
    for (int i = 0; i < runs; ++i) {
        for (const auto& engine : engines) {
            Sample sample = Measure(engine, url, target, size);
            Samples& s = samples[engine];
            if (!sample.ok) ++s.failures;
            s.wall.push_back(sample.wall_s);
            s.mbps.push_back(static_cast<double>(size) / 1e6 / sample.wall_s);
            s.cpu.push_back(sample.cpu_s);
            s.rss.push_back(sample.rss_mb);
        }
    }
    std::map<std::string, Summary> results;
    for (auto& [engine, s] : samples) {
        results[engine] = {Median(s.wall), Median(s.mbps), Median(s.cpu), Median(s.rss), s.failures};
    }
    return results;
}

void Print(const std::string& name, const Summary& s) {
    std::printf("%-14s %9.3f %10.1f %9.3f %9.1f %6d\n", name.c_str(), s.wall_s, s.mbps, s.cpu_s, s.rss_mb, s.failures);
}

void WriteRandomFile(const std::string& path, std::int64_t size) {
    std::ofstream file(path, std::ios::binary);
    std::mt19937_64 generator(42);
    std::vector<std::uint64_t> block(1 << 17);
    for (std::int64_t written = 0; written < size;) {
        for (auto& word : block) word = generator();
        std::int64_t n = std::min<std::int64_t>(size - written, static_cast<std::int64_t>(block.size() * 8));
        file.write(reinterpret_cast<const char*>(block.data()), n);
        written += n;
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, long long> options = {
        {"--size", 512}, {"--runs", 5}, {"--capped-size", 128}, {"--capped-runs", 3}, {"--rate", 20}};
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!options.count(argv[i])) {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
        options[argv[i]] = std::atoll(argv[i + 1]);
    }
    setenv("QUORVANE_DEBUG_OUTPUT", "/dev/null", 0);
    const fs::path folder = fs::temp_directory_path() / ("quorvane-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string target = (folder / "package.exe").string();

    const std::int64_t size = options["--size"] * 1048576;
    const std::string file = (folder / "served.bin").string();
    WriteRandomFile(file, size);
    Host host = StartHost(file, 0);
    std::printf("uncapped: %lld MiB, %lld runs, medians\n", options["--size"], options["--runs"]);
    std::printf("%-14s %9s %10s %9s %9s %6s\n", "engine", "wall s", "MB/s", "cpu s", "rss MB", "fails");
    const std::vector<std::string> engines = {"curl", "single-stream", "two-range", "moniker"};
    std::map<std::string, Summary> results = Run(engines, host.url, target, size, static_cast<int>(options["--runs"]));
    for (const auto& engine : engines) Print(engine, results[engine]);
    StopHost(host);
    const Summary& curl = results["curl"];
    std::printf("\nratios engine/curl: %-10s %9s %9s %9s\n", "", "MB/s", "cpu", "rss");
    for (const char* engine : {"single-stream", "two-range", "moniker"}) {
        const Summary& s = results[engine];
        std::printf("%-30s %9.2f %9.2f %9.2f\n", engine, s.mbps / curl.mbps, s.cpu_s / curl.cpu_s, s.rss_mb / curl.rss_mb);
    }

    const std::int64_t capped_size = options["--capped-size"] * 1048576;
    const long long rate = options["--rate"] * 1000000;
    WriteRandomFile(file, capped_size);
    Host capped = StartHost(file, rate);
    std::printf("\ncapped at %lld MB/s per connection: %lld MiB, %lld runs, medians\n", options["--rate"],
                options["--capped-size"], options["--capped-runs"]);
    std::printf("%-14s %9s %10s %9s %9s %6s\n", "engine", "wall s", "MB/s", "cpu s", "rss MB", "fails");
    std::map<std::string, Summary> capped_results =
        Run({"single-stream", "two-range"}, capped.url, target, capped_size, static_cast<int>(options["--capped-runs"]));
    const Summary& single = capped_results["single-stream"];
    const Summary& ranges = capped_results["two-range"];
    Print("single-stream", single);
    Print("two-range", ranges);
    StopHost(capped);
    std::printf("two-range / single-stream throughput: %.2f\n", ranges.mbps / single.mbps);
    fs::remove_all(folder);
    return 0;
}
