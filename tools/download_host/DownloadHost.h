#pragma once
// A stand-in for the maker's download host, on 127.0.0.1 and an ephemeral port.
//
// A package address (e.g. "/software/245") redirects to the package's real
// address "/<folder>/<md5 of the file>/<name>", which answers HEAD with the
// length and GET with the body, honouring one byte range ("bytes=a-b", "a-")
// with 206 and Content-Range. Fault switches per package make it misbehave in
// the ways a real host or network does. Plain HTTP or HTTPS (certificate and
// key files, e.g. from testca). Thread-safe; every request is recorded.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace download_host {

enum class DigestFolder { Correct, Wrong, UpperCase, None };

struct Faults {
    // GETs of the real address answered with `get_status` (no body), for the
    // first `get_status_count` GETs (-1: all).
    int get_status = 0;
    int get_status_count = 0;
    // The same for HEAD requests of the real address.
    int head_status = 0;
    int head_status_count = -1;
    // The first `drop_count` GETs (-1: all) close the connection after
    // `drop_after_bytes` bytes of body (the full length having been announced).
    std::int64_t drop_after_bytes = -1;
    int drop_count = 0;
    // The first `stall_count` GETs stop sending for `stall_ms` after
    // `stall_after_bytes` bytes, then close.
    std::int64_t stall_after_bytes = -1;
    int stall_ms = 0;
    int stall_count = 0;
    // Cap of each answer's sending rate (0: none).
    std::int64_t rate_bytes_per_second = 0;
    // Answers without Content-Length (chunked GET, HEAD without length).
    bool no_content_length = false;
    // The length HEAD announces instead of the real one (-1: the real one).
    std::int64_t head_length = -1;
    // The GET faults above hit only answers that start at or after this byte.
    std::int64_t from_offset = 0;
    // Range requests get 200 and the whole file.
    bool ignore_range = false;
    DigestFolder digest = DigestFolder::Correct;
};

struct Package {
    std::string route = "/software/245";  // the package address
    std::string folder = "download";
    std::string name = "Quorvane.exe";
    std::string content{};  // the bytes, or ...
    std::string file_path{};  // ... a file served from disk (for large packages)
    Faults faults{};
};

struct RequestRecord {
    std::string method;
    std::string target;  // as sent, before any decoding
    std::string range;   // the Range header, "" when none
};

class DownloadHost {
public:
    struct Options {
        std::string cert_file;  // both set: HTTPS
        std::string key_file;
        std::string bind_address = "127.0.0.1";
    };

    DownloadHost();
    explicit DownloadHost(Options options);
    ~DownloadHost();
    DownloadHost(const DownloadHost&) = delete;
    DownloadHost& operator=(const DownloadHost&) = delete;

    // Binds an ephemeral port and serves on a thread. False when that fails.
    bool Start();
    // Stops serving and waits; stalled answers are cut short.
    void Stop();

    int Port() const { return port_; }
    std::string BaseUrl() const;  // "http://127.0.0.1:<port>" (or https)

    // Adds (or replaces) a package and answers its full package address.
    std::string AddPackage(Package package);
    // The real address of a package's route ("" when unknown), and its file's md5
    // ("" for a file served without a digest folder).
    std::string RealUrl(const std::string& route) const;
    std::string Md5(const std::string& route) const;
    // Changes a package's faults (the counters restart).
    void SetFaults(const std::string& route, const Faults& faults);

    // Serves `path` (exact) with a plain 200 body; for addresses without a
    // redirect, such as an address with escaped characters.
    void AddPlainFile(const std::string& target, std::string content);

    std::vector<RequestRecord> Requests() const;
    void ClearRequests();

private:
    struct Entry;
    struct Source;
    void Handle(const void* request, void* response);
    bool WaitUnlessStopped(int ms);
    std::shared_ptr<Entry> FindByRoute(const std::string& path) const;
    std::shared_ptr<Entry> FindByRealPath(const std::string& path) const;

    Options options_;
    std::unique_ptr<httplib::Server> server_;
    std::thread listener_;
    int port_ = 0;
    mutable std::mutex lock_;
    std::condition_variable stopping_;
    bool stopped_ = false;
    std::map<std::string, std::shared_ptr<Entry>> packages_;  // by route
    std::map<std::string, std::string> plain_files_;         // by raw target
    std::vector<RequestRecord> requests_;
};

// The md5 of `bytes` as 32 lower-case hex digits.
std::string Md5Hex(const std::string& bytes);
// The same for a file ("" when it cannot be read).
std::string FileMd5Hex(const std::string& path);

}  // namespace download_host
