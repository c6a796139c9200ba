// Broken servers: every engine ends with a clean FAIL or the correct file,
// never a crash, a hang, or a wrong file reported as success.
#include <gtest/gtest.h>

#include <filesystem>

#include "DownloadTestSupport.h"
#include "RawAnswerServer.h"
#include "download/CurlDownloader.h"
#include "download/MTCurlDownloader.h"
#include "download/WinDownloader.h"

using namespace download_test;

namespace {

constexpr std::size_t kLength = 1048576;

std::string Head(const std::string& length_line) {
    return "HTTP/1.1 200 OK\r\n" + length_line + "Content-Type: application/octet-stream\r\nConnection: close\r\n\r\n";
}

struct Case {
    const char* name;
    std::string head_answer;
    std::string get_answer;
};

std::vector<Case> Cases() {
    const std::string body = RandomBytes(kLength, 7);
    const std::string length = "Content-Length: " + std::to_string(kLength) + "\r\n";
    return {
        {"garbage_status_line", "GARBAGE\r\n\r\n", "GARBAGE\r\n\r\n"},
        {"garbage_header_lines", "HTTP/1.1 200 OK\r\n\x01\x02\xff nonsense\r\n:::\r\n\r\n",
         "HTTP/1.1 200 OK\r\n\x01\x02\xff nonsense\r\n:::\r\n\r\n" + body},
        {"length_not_a_number", Head("Content-Length: lots\r\n"), Head("Content-Length: lots\r\n") + body},
        {"body_shorter_than_announced", Head(length), Head(length) + body.substr(0, kLength / 2)},
        {"body_longer_than_announced", Head(length), Head(length) + body + RandomBytes(5000, 9)},
        {"head_lies_about_length", Head("Content-Length: " + std::to_string(2 * kLength) + "\r\n"), Head(length) + body},
        {"no_answer_at_all", "", ""},
    };
}

struct Engine {
    const char* name;
    std::function<std::unique_ptr<CDownloader>(DownloadCallback, std::string, std::string)> make;
};

std::vector<Engine> Engines() {
    return {
        {"single_stream", [](auto cb, auto url, auto target) { return std::make_unique<CCurlDownloader>(cb, url, target); }},
        {"multi_part", [](auto cb, auto url, auto target) { return std::make_unique<CMTCurlDownloader>(cb, url, target); }},
        {"moniker", [](auto cb, auto url, auto target) { return std::make_unique<CWinDownloader>(cb, url, target); }},
    };
}

TEST(BadAnswers, EveryEngineEndsCleanly) {
    const std::string body = RandomBytes(kLength, 7);
    for (const auto& engine : Engines()) {
        for (const auto& c : Cases()) {
            SCOPED_TRACE(std::string(engine.name) + " / " + c.name);
            TempFolder folder;
            raw_answer::RawAnswerServer server(c.head_answer, c.get_answer);
            ASSERT_TRUE(server.Start());
            const std::string target = folder.File("package.exe");
            const std::string url = server.BaseUrl() + "/software/245";
            Owner owner(target, [&](DownloadCallback callback) { return engine.make(callback, url, target); });
            owner.Start();
            ASSERT_TRUE(owner.WaitForEnd());
            auto reports = owner.Reports();
            EXPECT_TRUE(ReportOrderHolds(reports));
            if (owner.LastCode() == DL_CODE_SUCCESS) {
                EXPECT_TRUE(ReadFile(target) == body) << "the target is not the file";
            } else {
                EXPECT_EQ(owner.LastCode(), DL_CODE_FAIL);
                EXPECT_FALSE(std::filesystem::exists(target));
            }
        }
    }
}

}  // namespace
