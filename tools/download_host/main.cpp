// The download host as a program, for the demo and the benchmark:
//   download_host --file PATH [--route /software/245] [--name Quorvane.exe]
//                 [--rate BYTES_PER_SECOND] [--https CERT_FOLDER]
// Prints "url=<package address>", "real=<real address>", "md5=<digest>" and,
// with --https, "ca=<CA file to trust>", one per line, then serves until
// SIGINT or SIGTERM.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "DownloadHost.h"
#include "TestCa.h"

int main(int argc, char** argv) {
    download_host::Package package;
    std::string cert_folder;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string option = argv[i];
        std::string value = argv[i + 1];
        if (option == "--file") {
            package.file_path = value;
        } else if (option == "--route") {
            package.route = value;
        } else if (option == "--name") {
            package.name = value;
        } else if (option == "--rate") {
            package.faults.rate_bytes_per_second = std::atoll(value.c_str());
        } else if (option == "--https") {
            cert_folder = value;
        } else {
            std::fprintf(stderr, "unknown option %s\n", option.c_str());
            return 2;
        }
    }
    if (package.file_path.empty()) {
        std::fprintf(stderr, "usage: download_host --file PATH [--route R] [--name N] [--rate B/s] [--https DIR]\n");
        return 2;
    }
    // Block the stop signals before any thread starts so that only sigwait sees them.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    download_host::DownloadHost::Options options;
    std::string ca_file;
    if (!cert_folder.empty()) {
        auto files = testca::Generate(cert_folder);
        options.cert_file = files.cert_file;
        options.key_file = files.key_file;
        ca_file = files.ca_file;
    }
    download_host::DownloadHost host(options);
    if (!host.Start()) {
        std::fprintf(stderr, "download_host: cannot listen\n");
        return 1;
    }
    std::string route = package.route;
    std::string url = host.AddPackage(package);
    std::printf("url=%s\nreal=%s\nmd5=%s\n", url.c_str(), host.RealUrl(route).c_str(), host.Md5(route).c_str());
    if (!ca_file.empty()) std::printf("ca=%s\n", ca_file.c_str());
    std::fflush(stdout);
    int received = 0;
    sigwait(&stop_signals, &received);
    host.Stop();
    return 0;
}
