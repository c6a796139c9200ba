#include "RawAnswerServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>

namespace raw_answer {

namespace {

// The first bytes may take a while on a loaded machine; once a client has
// started talking, a pause this long means it has said all it will before
// hearing back (a TLS hello, or a body that never comes).
constexpr int kFirstBytesWaitMs = 1000;
constexpr int kPauseMs = 200;

// Whether `request` holds a whole HTTP head and as much body as it announces.
bool Complete(const std::string& request) {
    const std::size_t end = request.find("\r\n\r\n");
    if (end == std::string::npos) return false;
    std::string head = request.substr(0, end + 2);
    for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const std::string kLength = "\r\ncontent-length:";
    const std::size_t at = head.find(kLength);
    const std::size_t body = at == std::string::npos ? 0 : std::strtoull(head.c_str() + at + kLength.size(), nullptr, 10);
    return request.size() - end - 4 >= body;
}

}  // namespace

RawAnswerServer::RawAnswerServer(std::string answer) : head_answer_(answer), get_answer_(std::move(answer)) {}

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

std::string RawAnswerServer::ReadRequest(int connection) const {
    std::string request;
    char buffer[65536];
    while (!stopping_ && !Complete(request)) {
        pollfd readable{connection, POLLIN, 0};
        if (::poll(&readable, 1, request.empty() ? kFirstBytesWaitMs : kPauseMs) <= 0) break;
        const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    return request;
}

void RawAnswerServer::Serve() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) continue;
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        const std::string request = ReadRequest(connection);
        ++requests_;
        const std::string& answer = request.rfind("HEAD ", 0) == 0 ? head_answer_ : get_answer_;
        std::size_t offset = 0;
        while (offset < answer.size()) {
            const ssize_t n = ::send(connection, answer.data() + offset, answer.size() - offset, MSG_NOSIGNAL);
            if (n <= 0) break;
            offset += static_cast<std::size_t>(n);
        }
        ::shutdown(connection, SHUT_RDWR);
        ::close(connection);
    }
}

}  // namespace raw_answer
