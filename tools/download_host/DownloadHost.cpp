#include "DownloadHost.h"

#include <httplib.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>

namespace download_host {
namespace {

std::string HexOf(const unsigned char* digest, unsigned int length) {
    std::string text;
    char hex[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, "%02x", digest[i]);
        text += hex;
    }
    return text;
}

class Md5Context {
public:
    Md5Context() : context_(EVP_MD_CTX_new()) { EVP_DigestInit_ex(context_, EVP_md5(), nullptr); }
    ~Md5Context() { EVP_MD_CTX_free(context_); }
    void Add(const char* data, std::size_t size) { EVP_DigestUpdate(context_, data, size); }
    std::string Hex() {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_DigestFinal_ex(context_, digest, &length);
        return HexOf(digest, length);
    }

private:
    EVP_MD_CTX* context_;
};

// "bytes=a-b" or "bytes=a-" against a file of `total` bytes.
bool ParseRange(const std::string& header, std::int64_t total, std::int64_t& first, std::int64_t& last) {
    long long a = -1, b = -1;
    int fields = std::sscanf(header.c_str(), "bytes=%lld-%lld", &a, &b);
    if (fields < 1 || a < 0) return false;
    first = a;
    last = fields == 2 ? std::min<std::int64_t>(b, total - 1) : total - 1;
    return true;
}

bool Consume(std::atomic<int>& remaining) {
    int value = remaining.load();
    while (value != 0) {
        if (value < 0) return true;
        if (remaining.compare_exchange_weak(value, value - 1)) return true;
    }
    return false;
}

}  // namespace

std::string Md5Hex(const std::string& bytes) {
    Md5Context context;
    context.Add(bytes.data(), bytes.size());
    return context.Hex();
}

std::string FileMd5Hex(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return "";
    Md5Context context;
    std::vector<char> block(1 << 20);
    while (file) {
        file.read(block.data(), static_cast<std::streamsize>(block.size()));
        context.Add(block.data(), static_cast<std::size_t>(file.gcount()));
    }
    return context.Hex();
}

struct DownloadHost::Source {
    std::string content;
    std::string file_path;
    std::int64_t size = 0;

    // Reads up to `n` bytes at `offset` into `out`; answers the count read.
    std::size_t Read(std::ifstream& file, std::int64_t offset, std::size_t n, char* out) const {
        if (file_path.empty()) {
            std::size_t available = static_cast<std::size_t>(size - offset);
            n = std::min(n, available);
            std::copy_n(content.data() + offset, n, out);
            return n;
        }
        file.seekg(offset);
        file.read(out, static_cast<std::streamsize>(n));
        return static_cast<std::size_t>(file.gcount());
    }
};

struct DownloadHost::Entry {
    Package package;
    std::shared_ptr<const Source> source;
    std::string md5;
    std::string real_path;
    std::atomic<int> get_status_left{0};
    std::atomic<int> head_status_left{0};
    std::atomic<int> drops_left{0};
    std::atomic<int> stalls_left{0};

    void ResetCounters() {
        get_status_left = package.faults.get_status == 0 ? 0 : package.faults.get_status_count;
        head_status_left = package.faults.head_status == 0 ? 0 : package.faults.head_status_count;
        drops_left = package.faults.drop_after_bytes < 0 ? 0 : package.faults.drop_count;
        stalls_left = package.faults.stall_after_bytes < 0 ? 0 : package.faults.stall_count;
    }
};

DownloadHost::DownloadHost() : DownloadHost(Options{}) {}

DownloadHost::DownloadHost(Options options) : options_(std::move(options)) {}

DownloadHost::~DownloadHost() { Stop(); }

std::string DownloadHost::BaseUrl() const {
    return std::string(options_.cert_file.empty() ? "http" : "https") + "://127.0.0.1:" + std::to_string(port_);
}

bool DownloadHost::Start() {
    if (options_.cert_file.empty()) {
        server_ = std::make_unique<httplib::Server>();
    } else {
        server_ = std::make_unique<httplib::SSLServer>(options_.cert_file.c_str(), options_.key_file.c_str());
    }
    if (!server_->is_valid()) return false;
    // Idle keep-alive connections must not hold up Stop for long.
    server_->set_keep_alive_timeout(1);
    auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        Handle(&request, &response);
    };
    server_->Get(".*", handler);
    port_ = server_->bind_to_any_port(options_.bind_address.c_str());
    if (port_ <= 0) return false;
    listener_ = std::thread([this] { server_->listen_after_bind(); });
    return true;
}

void DownloadHost::Stop() {
    {
        std::lock_guard guard(lock_);
        stopped_ = true;
        stopping_.notify_all();
    }
    if (server_) server_->stop();
    if (listener_.joinable()) listener_.join();
    server_.reset();
}

bool DownloadHost::WaitUnlessStopped(int ms) {
    std::unique_lock guard(lock_);
    return !stopping_.wait_for(guard, std::chrono::milliseconds(ms), [&] { return stopped_; });
}

std::string DownloadHost::AddPackage(Package package) {
    auto entry = std::make_shared<Entry>();
    auto source = std::make_shared<Source>();
    if (package.file_path.empty()) {
        source->content = package.content;
        source->size = static_cast<std::int64_t>(package.content.size());
        entry->md5 = Md5Hex(package.content);
    } else {
        source->file_path = package.file_path;
        std::ifstream file(package.file_path, std::ios::binary | std::ios::ate);
        source->size = file ? static_cast<std::int64_t>(file.tellg()) : 0;
        // Large files served without a digest folder are not read through.
        if (package.faults.digest != DigestFolder::None) entry->md5 = FileMd5Hex(package.file_path);
    }
    entry->source = source;
    std::string digest = entry->md5;
    switch (package.faults.digest) {
        case DigestFolder::Correct: break;
        case DigestFolder::Wrong: digest = Md5Hex(digest); break;
        case DigestFolder::UpperCase:
            std::transform(digest.begin(), digest.end(), digest.begin(), [](unsigned char c) { return std::toupper(c); });
            break;
        case DigestFolder::None: digest.clear(); break;
    }
    entry->real_path = "/" + package.folder + (digest.empty() ? "" : "/" + digest) + "/" + package.name;
    entry->package = std::move(package);
    entry->ResetCounters();
    std::lock_guard guard(lock_);
    std::string route = entry->package.route;
    packages_[route] = entry;
    return BaseUrl() + route;
}

void DownloadHost::SetFaults(const std::string& route, const Faults& faults) {
    std::lock_guard guard(lock_);
    auto found = packages_.find(route);
    if (found == packages_.end()) return;
    // Replace the entry so that answers in progress keep their own faults.
    auto entry = std::make_shared<Entry>();
    entry->source = found->second->source;
    entry->md5 = found->second->md5;
    entry->real_path = found->second->real_path;
    entry->package = found->second->package;
    entry->package.faults = faults;
    entry->package.faults.digest = found->second->package.faults.digest;
    entry->ResetCounters();
    found->second = entry;
}

std::string DownloadHost::RealUrl(const std::string& route) const {
    std::lock_guard guard(lock_);
    auto found = packages_.find(route);
    return found == packages_.end() ? "" : BaseUrl() + found->second->real_path;
}

std::string DownloadHost::Md5(const std::string& route) const {
    std::lock_guard guard(lock_);
    auto found = packages_.find(route);
    return found == packages_.end() ? "" : found->second->md5;
}

void DownloadHost::AddPlainFile(const std::string& target, std::string content) {
    std::lock_guard guard(lock_);
    plain_files_[target] = std::move(content);
}

std::vector<RequestRecord> DownloadHost::Requests() const {
    std::lock_guard guard(lock_);
    return requests_;
}

void DownloadHost::ClearRequests() {
    std::lock_guard guard(lock_);
    requests_.clear();
}

std::shared_ptr<DownloadHost::Entry> DownloadHost::FindByRoute(const std::string& path) const {
    auto found = packages_.find(path);
    return found == packages_.end() ? nullptr : found->second;
}

std::shared_ptr<DownloadHost::Entry> DownloadHost::FindByRealPath(const std::string& path) const {
    for (const auto& [route, entry] : packages_) {
        if (entry->real_path == path) return entry;
    }
    return nullptr;
}

void DownloadHost::Handle(const void* request_data, void* response_data) {
    auto& request = *static_cast<const httplib::Request*>(request_data);
    auto& response = *static_cast<httplib::Response*>(response_data);
    // This host answers ranges itself (including refusing to); the library
    // must not cut the answer again.
    const_cast<httplib::Request&>(request).ranges.clear();
    const bool head = request.method == "HEAD";
    const std::string range = request.get_header_value("Range");
    std::shared_ptr<Entry> entry;
    {
        std::lock_guard guard(lock_);
        requests_.push_back({request.method, request.target, range});
        if (auto plain = plain_files_.find(request.target); plain != plain_files_.end()) {
            response.set_content(plain->second, "application/octet-stream");
            return;
        }
        if (auto routed = FindByRoute(request.path)) {
            response.set_redirect(routed->real_path, 302);
            return;
        }
        entry = FindByRealPath(request.path);
    }
    if (!entry) {
        response.status = 404;
        return;
    }
    const Faults& faults = entry->package.faults;
    if (head && faults.head_status != 0 && Consume(entry->head_status_left)) {
        response.status = faults.head_status;
        return;
    }
    std::shared_ptr<const Source> source = entry->source;
    const std::int64_t total = source->size;
    std::int64_t first = 0;
    std::int64_t last = total - 1;
    const bool ranged = !range.empty() && !faults.ignore_range;
    if (ranged && (!ParseRange(range, total, first, last) || first >= total || first > last)) {
        response.status = 416;
        response.set_header("Content-Range", "bytes */" + std::to_string(total));
        return;
    }
    const bool faulty = !head && first >= faults.from_offset;
    if (faulty && faults.get_status != 0 && Consume(entry->get_status_left)) {
        response.status = faults.get_status;
        return;
    }
    if (ranged) {
        response.status = 206;
        response.set_header("Content-Range",
                            "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + std::to_string(total));
    }
    response.set_header("Accept-Ranges", "bytes");
    const std::int64_t length = last - first + 1;
    if (head) {
        std::int64_t announced = faults.head_length >= 0 ? faults.head_length : length;
        if (faults.no_content_length) {
            response.set_chunked_content_provider("application/octet-stream", [](std::size_t, httplib::DataSink&) {
                return false;
            });
        } else {
            response.set_content_provider(static_cast<std::size_t>(announced), "application/octet-stream",
                                          [](std::size_t, std::size_t, httplib::DataSink&) { return false; });
        }
        return;
    }
    const std::int64_t drop_at =
        faulty && faults.drop_after_bytes >= 0 && Consume(entry->drops_left) ? faults.drop_after_bytes : -1;
    const std::int64_t stall_at =
        faulty && faults.stall_after_bytes >= 0 && Consume(entry->stalls_left) ? faults.stall_after_bytes : -1;
    struct Progress {
        std::ifstream file;
        std::int64_t sent = 0;
        std::chrono::steady_clock::time_point began = std::chrono::steady_clock::now();
    };
    auto progress = std::make_shared<Progress>();
    if (!source->file_path.empty()) progress->file.open(source->file_path, std::ios::binary);
    const std::int64_t rate = faults.rate_bytes_per_second;
    const int stall_ms = faults.stall_ms;
    // Writes the next chunk of the answer; false ends the connection.
    auto send_next = [this, source, progress, first, length, drop_at, stall_at, rate, stall_ms](
                         httplib::DataSink& sink) {
        std::int64_t& sent = progress->sent;
        if (sent >= length) return true;
        if (stall_at >= 0 && sent >= stall_at) {
            WaitUnlessStopped(stall_ms);
            return false;
        }
        if (drop_at >= 0 && sent >= drop_at) return false;
        std::int64_t chunk = std::min<std::int64_t>(length - sent, 65536);
        if (drop_at >= 0) chunk = std::min(chunk, drop_at - sent);
        if (stall_at >= 0) chunk = std::min(chunk, stall_at - sent);
        if (rate > 0) {
            chunk = std::min<std::int64_t>(chunk, std::max<std::int64_t>(rate / 20, 1));
            auto due = progress->began + std::chrono::microseconds(sent * 1000000 / rate);
            auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
            if (wait.count() > 0 && !WaitUnlessStopped(static_cast<int>(wait.count()))) return false;
        }
        std::vector<char> buffer(static_cast<std::size_t>(chunk));
        std::size_t n = source->Read(progress->file, first + sent, buffer.size(), buffer.data());
        if (n == 0) return false;
        sent += static_cast<std::int64_t>(n);
        return sink.write(buffer.data(), n);
    };
    if (faults.no_content_length) {
        response.set_chunked_content_provider("application/octet-stream",
                                              [send_next, progress, length](std::size_t, httplib::DataSink& sink) {
                                                  if (!send_next(sink)) return false;
                                                  if (progress->sent >= length) sink.done();
                                                  return true;
                                              });
    } else {
        response.set_content_provider(static_cast<std::size_t>(length), "application/octet-stream",
                                      [send_next](std::size_t, std::size_t, httplib::DataSink& sink) {
                                          return send_next(sink);
                                      });
    }
}

}  // namespace download_host
