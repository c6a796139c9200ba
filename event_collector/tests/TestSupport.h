#pragma once
// Shared pieces of the client's tests: a private temporary folder, a
// recording transport, and a fixture that always leaves no client behind.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "PayloadDecoder.h"
#include "event_collector/Sdk.h"

namespace event_collector::testing {

class TempDir {
public:
    TempDir() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() / ("event-collector-test-" + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// A transport that decodes each batch like the collector does and answers
// with a chosen status.
class RecordingSender {
public:
    SendFunction Function() {
        return [this](const std::string&, const std::string& body) {
            std::lock_guard lock(lock_);
            auto batch = collector::DecodeBatch(body);
            batches_.push_back(batch.records);
            HttpResponse response;
            response.status = status_;
            response.body = status_ == 200 ? "ok" : "failed";
            return response;
        };
    }
    void SetStatus(long status) {
        std::lock_guard lock(lock_);
        status_ = status;
    }
    std::vector<std::vector<nlohmann::json>> Batches() const {
        std::lock_guard lock(lock_);
        return batches_;
    }

private:
    mutable std::mutex lock_;
    long status_ = 200;
    std::vector<std::vector<nlohmann::json>> batches_;
};

// Every test that touches the process-wide client derives from this.
class SdkTest : public ::testing::Test {
protected:
    void TearDown() override {
        Sdk::Shutdown();
        Sdk::SetSendFunction(nullptr);
        Sdk::SetClock(nullptr);
    }
    TempDir dir_;
};

}  // namespace event_collector::testing
