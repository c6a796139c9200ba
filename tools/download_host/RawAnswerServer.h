#pragma once
// A deliberately broken HTTP peer on 127.0.0.1: it reads each request's head
// and answers with exactly the bytes it was given (garbage headers, lengths
// that lie, bodies shorter or longer than announced), then closes.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace download_host {

class RawAnswerServer {
public:
    // `head_answer` for HEAD requests, `get_answer` for every other request.
    RawAnswerServer(std::string head_answer, std::string get_answer);
    ~RawAnswerServer();
    RawAnswerServer(const RawAnswerServer&) = delete;
    RawAnswerServer& operator=(const RawAnswerServer&) = delete;

    bool Start();
    void Stop();
    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
    int RequestCount() const { return requests_; }

private:
    void Serve();

    std::string head_answer_;
    std::string get_answer_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
    std::thread thread_;
};

}  // namespace download_host
