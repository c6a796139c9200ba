#include "RawAnswerServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace download_host {

RawAnswerServer::RawAnswerServer(std::string head_answer, std::string get_answer)
    : head_answer_(std::move(head_answer)), get_answer_(std::move(get_answer)) {}

RawAnswerServer::~RawAnswerServer() { Stop(); }

bool RawAnswerServer::Start() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::close(listener_);
        listener_ = -1;
        return false;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void RawAnswerServer::Stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) ::close(listener_);
    listener_ = -1;
}

void RawAnswerServer::Serve() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) continue;
        int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos && !stopping_) {
            pollfd readable{connection, POLLIN, 0};
            if (::poll(&readable, 1, 1000) <= 0) break;
            ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            head.append(buffer, static_cast<std::size_t>(n));
        }
        ++requests_;
        const std::string& answer = head.rfind("HEAD ", 0) == 0 ? head_answer_ : get_answer_;
        std::size_t offset = 0;
        while (offset < answer.size()) {
            ssize_t n = ::send(connection, answer.data() + offset, answer.size() - offset, MSG_NOSIGNAL);
            if (n <= 0) break;
            offset += static_cast<std::size_t>(n);
        }
        ::shutdown(connection, SHUT_RDWR);
        ::close(connection);
    }
}

}  // namespace download_host
