// The collector stand-in as a program, for the demo and for tests that want
// a separate process:
//   collector [--plain] [--port N] [--records FILE] [--ca-out FILE] [--print]
//             [--status N] [--delay-ms N] [--drop] [--wait-stdin]
// It prints "collector listening on <url>" once it serves (HTTPS unless
// --plain; --ca-out writes the authority a client must trust), and stops on
// SIGTERM/SIGINT, or with --wait-stdin also when its input ends.
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "CollectorServer.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

int Usage() {
    std::cerr << "usage: collector [--plain] [--port N] [--records FILE] [--ca-out FILE] [--print]\n"
                 "                 [--status N] [--delay-ms N] [--drop] [--wait-stdin]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    collector::CollectorOptions options;
    collector::Behaviour behaviour;
    int port = 0;
    std::string caOut;
    bool waitStdin = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (arg == "--plain") options.https = false;
        else if (arg == "--port") port = std::atoi(next().c_str());
        else if (arg == "--records") options.recordsFile = next();
        else if (arg == "--ca-out") caOut = next();
        else if (arg == "--print") options.print = true;
        else if (arg == "--status") behaviour.status = std::atoi(next().c_str());
        else if (arg == "--delay-ms") behaviour.delay = std::chrono::milliseconds(std::atoi(next().c_str()));
        else if (arg == "--drop") behaviour.dropConnection = true;
        else if (arg == "--wait-stdin") waitStdin = true;
        else return Usage();
    }
    collector::CollectorServer server(options);
    server.SetBehaviour(behaviour);
    if (!server.Start(port)) {
        std::cerr << "collector: cannot listen on 127.0.0.1:" << port << std::endl;
        return 1;
    }
    if (!caOut.empty() && options.https) {
        std::ofstream(caOut, std::ios::binary | std::ios::trunc) << server.CaCertificatePem();
    }
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::cout << "collector listening on " << server.Url() << std::endl;
    if (waitStdin) {
        std::string line;
        while (!g_stop && std::getline(std::cin, line)) {}
    } else {
        while (!g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    server.Stop();
    return 0;
}
