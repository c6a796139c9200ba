#pragma once
// A loopback TCP server that answers every connection with fixed bytes and
// closes it: for clients facing a peer that does not speak HTTP at all.
#include <atomic>
#include <string>
#include <thread>

namespace collector {

class RawReplyServer {
public:
    explicit RawReplyServer(std::string reply) : reply_(std::move(reply)) {}
    ~RawReplyServer() { Stop(); }
    RawReplyServer(const RawReplyServer&) = delete;
    RawReplyServer& operator=(const RawReplyServer&) = delete;

    bool Start();  // 127.0.0.1, ephemeral port
    void Stop();
    int Port() const { return port_; }
    int Connections() const { return connections_; }

private:
    void Serve();

    std::string reply_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::thread thread_;
};

}  // namespace collector
