#pragma once
// A stand-in for the analytics collector: an HTTP(S) server on 127.0.0.1
// that takes the client's batch POST at any path, decodes it, keeps every
// record (in memory and, when asked, as JSON lines in a file) and answers 200.
// Fault switches make it answer another status, stall past the client's
// timeout, drop the connection mid-answer, redirect, or send a huge body.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

namespace httplib {
class Server;
}

namespace collector {

struct CollectorOptions {
    bool https = true;
    std::string recordsFile{};  // JSON lines appended here when not empty
    bool print = false;       // a readable line per record on standard output
};

// What the server does with the next POSTs.
struct Behaviour {
    int status = 200;                        // answered after a good batch (records kept only for 200)
    std::chrono::milliseconds delay{0};      // wait this long before answering
    bool dropConnection = false;             // promise a body, then close the connection
    std::string redirectTo{};                // answer 302 with this Location
    std::size_t hugeBodyBytes = 0;           // answer with a body this long
};

struct ReceivedRequest {
    std::string target;  // path and query
    std::string userAgent;
    std::string contentType;
    std::size_t bodyBytes = 0;
    std::size_t records = 0;  // 0 when refused
    std::string refusal;      // why the body was refused, empty when decoded
};

class CollectorServer {
public:
    explicit CollectorServer(CollectorOptions options = {});
    ~CollectorServer();
    CollectorServer(const CollectorServer&) = delete;
    CollectorServer& operator=(const CollectorServer&) = delete;

    // Binds an ephemeral port (or `port`) on 127.0.0.1 and serves on a thread.
    bool Start(int port = 0);
    void Stop();

    int Port() const { return port_; }
    std::string Url(const std::string& pathAndQuery = "/sa?project=pc") const;
    // PEM of the authority that signed the server certificate (HTTPS only).
    const std::string& CaCertificatePem() const { return caPem_; }

    void SetBehaviour(const Behaviour& behaviour);
    std::vector<nlohmann::json> Records() const;
    std::vector<ReceivedRequest> Requests() const;
    void Clear();

private:
    void Handle(const std::string& target, const std::string& userAgent, const std::string& contentType,
                const std::string& body, int& status, std::string& answer);
    void Print(const nlohmann::json& record) const;

    CollectorOptions options_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    std::string caPem_;
    std::atomic<bool> stopping_{false};

    mutable std::mutex lock_;
    Behaviour behaviour_;
    std::vector<nlohmann::json> records_;
    std::vector<ReceivedRequest> requests_;
};

}  // namespace collector
