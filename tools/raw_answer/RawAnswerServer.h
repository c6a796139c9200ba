#pragma once
// A deliberately broken peer on 127.0.0.1: it reads what each client sends
// and answers with exactly the bytes it was given (garbage headers, lengths
// that lie, bodies shorter or longer than announced, bytes that are not HTTP
// or TLS at all), then closes the connection.
#include <atomic>
#include <string>
#include <thread>

namespace raw_answer {

class RawAnswerServer {
public:
    // The same answer to every request.
    explicit RawAnswerServer(std::string answer);
    // `head_answer` for HEAD requests, `get_answer` for every other request.
    RawAnswerServer(std::string head_answer, std::string get_answer);
    ~RawAnswerServer();
    RawAnswerServer(const RawAnswerServer&) = delete;
    RawAnswerServer& operator=(const RawAnswerServer&) = delete;

    bool Start();  // binds an ephemeral port
    void Stop();
    int Port() const { return port_; }
    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
    int RequestCount() const { return requests_; }

private:
    void Serve();
    std::string ReadRequest(int connection) const;

    std::string head_answer_;
    std::string get_answer_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
    std::thread thread_;
};

}  // namespace raw_answer
