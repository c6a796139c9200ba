#pragma once
// Helpers shared by the tracker tests: a private temporary folder and a way
// to see the records the collection client would send, without a network.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "event_collector/Sdk.h"

namespace tessavon::tracking::testing_support {

class TempFolder {
public:
    TempFolder() {
        std::random_device device;
        path_ = std::filesystem::temp_directory_path() / ("tracker-test-" + std::to_string(device()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Starts a client that can never send; Records() shuts it down and reads what
// it staged, which is exactly what it would have posted.
class StagedRecords {
public:
    explicit StagedRecords(const TempFolder& folder) : staging_(folder.path() / "staged.txt") {
        event_collector::Sdk::Init(staging_.string(), "http://127.0.0.1:9/sa", "device-1", false);
    }
    ~StagedRecords() { event_collector::Sdk::Shutdown(); }

    std::vector<nlohmann::json> Records() {
        event_collector::Sdk::Shutdown();
        std::vector<nlohmann::json> records;
        std::ifstream in(staging_);
        for (std::string line; std::getline(in, line);)
            if (!line.empty()) records.push_back(nlohmann::json::parse(line));
        return records;
    }

private:
    std::filesystem::path staging_;
};

}  // namespace tessavon::tracking::testing_support
