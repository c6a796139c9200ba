#include "CollectorServer.h"

#include <httplib.h>
#include <openssl/pem.h>

#include <fstream>
#include <iostream>

#include "PayloadDecoder.h"
#include "TestCa.h"

namespace collector {

namespace {

// A body is read whole before decoding; anything larger is not a batch.
constexpr std::size_t kMaxBodyBytes = 32 * 1024 * 1024;

std::unique_ptr<httplib::Server> MakeHttpsServer(std::string& caPem) {
    const testca::PemCertificates certificates = testca::GeneratePem();
    caPem = certificates.ca_pem;
    std::unique_ptr<BIO, decltype(&BIO_free)> certBio(
        BIO_new_mem_buf(certificates.cert_pem.data(), static_cast<int>(certificates.cert_pem.size())), &BIO_free);
    std::unique_ptr<BIO, decltype(&BIO_free)> keyBio(
        BIO_new_mem_buf(certificates.key_pem.data(), static_cast<int>(certificates.key_pem.size())), &BIO_free);
    std::unique_ptr<X509, decltype(&X509_free)> cert(PEM_read_bio_X509(certBio.get(), nullptr, nullptr, nullptr),
                                                     &X509_free);
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr), &EVP_PKEY_free);
    if (!cert || !key) return nullptr;
    // The server takes its own references to the certificate and key.
    return std::make_unique<httplib::SSLServer>(cert.get(), key.get());
}

std::string Describe(const nlohmann::json& value) {
    return value.is_string() ? value.get<std::string>() : value.dump();
}

}  // namespace

CollectorServer::CollectorServer(CollectorOptions options) : options_(std::move(options)) {}

CollectorServer::~CollectorServer() { Stop(); }

bool CollectorServer::Start(int port) {
    if (server_) return false;
    if (options_.https) {
        server_ = MakeHttpsServer(caPem_);
    } else {
        server_ = std::make_unique<httplib::Server>();
    }
    if (!server_ || !server_->is_valid()) return false;

    server_->set_payload_max_length(kMaxBodyBytes);
    server_->set_keep_alive_max_count(1);
    // A content reader keeps the form body away from the library's own
    // form parser, which refuses bodies over 8 KiB.
    server_->Post(".*", [this](const httplib::Request& request, httplib::Response& response,
                               const httplib::ContentReader& reader) {
        std::string body;
        reader([&](const char* data, std::size_t length) {
            body.append(data, length);
            return body.size() <= kMaxBodyBytes;
        });
        Behaviour behaviour;
        {
            std::lock_guard lock(lock_);
            behaviour = behaviour_;
        }
        int status = 200;
        std::string answer;
        Handle(request.target, request.get_header_value("User-Agent"), request.get_header_value("Content-Type"), body,
               status, answer);
        const auto until = std::chrono::steady_clock::now() + behaviour.delay;
        while (std::chrono::steady_clock::now() < until && !stopping_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (behaviour.dropConnection) {
            response.status = 200;
            response.set_content_provider(4096, "text/plain",
                                          [](std::size_t, std::size_t, httplib::DataSink&) { return false; });
        } else if (!behaviour.redirectTo.empty()) {
            response.set_redirect(behaviour.redirectTo);
        } else if (behaviour.hugeBodyBytes > 0) {
            response.status = status;
            const std::size_t total = behaviour.hugeBodyBytes;
            response.set_content_provider(total, "text/plain",
                                          [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                              static const std::string chunk(65536, 'x');
                                              sink.write(chunk.data(), std::min(length, chunk.size()));
                                              return true;
                                          });
        } else {
            response.status = status;
            response.set_content(answer, "text/plain");
        }
    });

    port_ = port == 0 ? server_->bind_to_any_port("127.0.0.1") : (server_->bind_to_port("127.0.0.1", port) ? port : -1);
    if (port_ <= 0) {
        server_.reset();
        return false;
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // A stop before the loop runs would be missed and leave the thread serving.
    while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void CollectorServer::Stop() {
    if (!server_) return;
    stopping_ = true;
    server_->stop();
    if (thread_.joinable()) thread_.join();
    server_.reset();
    stopping_ = false;
}

std::string CollectorServer::Url(const std::string& pathAndQuery) const {
    return std::string(options_.https ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + pathAndQuery;
}

void CollectorServer::SetBehaviour(const Behaviour& behaviour) {
    std::lock_guard lock(lock_);
    behaviour_ = behaviour;
}

std::vector<nlohmann::json> CollectorServer::Records() const {
    std::lock_guard lock(lock_);
    return records_;
}

std::vector<ReceivedRequest> CollectorServer::Requests() const {
    std::lock_guard lock(lock_);
    return requests_;
}

void CollectorServer::Clear() {
    std::lock_guard lock(lock_);
    records_.clear();
    requests_.clear();
}

void CollectorServer::Handle(const std::string& target, const std::string& userAgent, const std::string& contentType,
                             const std::string& body, int& status, std::string& answer) {
    DecodedBatch batch = DecodeBatch(body);
    std::lock_guard lock(lock_);
    ReceivedRequest request{target, userAgent, contentType, body.size(), batch.records.size(), batch.error};
    requests_.push_back(request);
    if (!batch.ok()) {
        status = 400;
        answer = "refused: " + batch.error;
        if (options_.print) std::cout << "collector: refused a batch (" << batch.error << ")" << std::endl;
        return;
    }
    status = behaviour_.status;
    answer = status == 200 ? "ok" : "failure chosen for this test";
    // A batch the client will send again is not kept, like a collector that failed.
    const bool keep = status == 200 && !behaviour_.dropConnection && behaviour_.redirectTo.empty() &&
                      behaviour_.delay.count() == 0;
    if (!keep) return;
    std::ofstream file;
    if (!options_.recordsFile.empty()) file.open(options_.recordsFile, std::ios::app | std::ios::binary);
    for (auto& record : batch.records) {
        if (file) file << record.dump() << '\n';
        if (options_.print) Print(record);
        records_.push_back(std::move(record));
    }
}

void CollectorServer::Print(const nlohmann::json& record) const {
    std::string line = "collector: " + Describe(record.value("type", nlohmann::json("?")));
    if (record.contains("event")) line += " " + Describe(record["event"]);
    line += " from " + Describe(record.value("distinct_id", nlohmann::json("?")));
    if (record.contains("properties") && record["properties"].is_object()) {
        for (const auto& [key, value] : record["properties"].items()) line += "\n    " + key + " = " + Describe(value);
    }
    std::cout << line << std::endl;
}

}  // namespace collector
