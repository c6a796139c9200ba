// The client against the real collector stand-in on loopback, over HTTPS
// with a test authority, through libcurl.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "CollectorServer.h"
#include "RawAnswerServer.h"
#include "TestSupport.h"
#include "event_collector/CurlSender.h"

namespace event_collector {
namespace {

using nlohmann::json;
using testing::ReadAll;
using testing::SdkTest;
using testing::WriteAll;

class CollectorTest : public SdkTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Start());
        WriteAll(dir_.File("ca.pem"), server_.CaCertificatePem());
        ::setenv(kCaBundleVariable, dir_.File("ca.pem").c_str(), 1);
    }
    void TearDown() override {
        SdkTest::TearDown();
        server_.Stop();
        ::unsetenv(kCaBundleVariable);
    }
    bool InitClient(const std::string& url) { return Sdk::Init(dir_.File("staging"), url, "anon-1", false); }
    bool InitClient() { return InitClient(server_.Url()); }

    static PropertiesNode Numbered(int n) {
        PropertiesNode properties;
        properties.SetNumber("n", n);
        properties.SetString("qx_text", "line\nwith \"quotes\" and 中文");
        return properties;
    }

    collector::CollectorServer server_;
};

TEST_F(CollectorTest, SeventyFiveRecordsArriveInThreePosts) {
    ASSERT_TRUE(InitClient());
    for (int n = 0; n < 75; ++n) Sdk::Track("step", Numbered(n));
    EXPECT_TRUE(Sdk::Flush());

    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 3u);
    const std::size_t sizes[] = {30, 30, 15};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(requests[i].records, sizes[i]);
        EXPECT_EQ(requests[i].target, "/sa?project=pc");
        EXPECT_EQ(requests[i].userAgent, "EventCollector CPP SDK 0.7");
        EXPECT_EQ(requests[i].contentType, "application/x-www-form-urlencoded");
    }
    const auto records = server_.Records();
    ASSERT_EQ(records.size(), 75u);
    for (int n = 0; n < 75; ++n) {
        EXPECT_EQ(records[n]["properties"]["n"], n);
        EXPECT_EQ(records[n]["properties"]["qx_text"], "line\nwith \"quotes\" and 中文");
        EXPECT_EQ(records[n]["event"], "step");
        EXPECT_EQ(records[n]["lib"]["$lib_method"], "code");
    }
}

TEST_F(CollectorTest, RefusedBatchIsPutBackAndSentLater) {
    ASSERT_TRUE(InitClient());
    for (int n = 0; n < 40; ++n) Sdk::Track("step", Numbered(n));
    server_.SetBehaviour({.status = 500});
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(Sdk::Flush());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "EventCollector SDK send failed: failure chosen for this test\n");
    EXPECT_EQ(Sdk::QueuedCount(), 40u);

    server_.SetBehaviour({});
    EXPECT_TRUE(Sdk::Flush());
    const auto records = server_.Records();
    ASSERT_EQ(records.size(), 40u);
    EXPECT_EQ(records.front()["properties"]["n"], 0);
    EXPECT_EQ(records.back()["properties"]["n"], 39);
}

TEST_F(CollectorTest, FailedBatchGivesWayToRecordsAddedDuringTheSend) {
    ASSERT_TRUE(InitClient());
    for (int n = 0; n < 30; ++n) Sdk::Track("batch", Numbered(n));
    server_.SetBehaviour({.status = 500, .delay = std::chrono::milliseconds(500)});
    std::thread others([this] {
        while (server_.Requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        for (int n = 1000; n < 2000; ++n) Sdk::Track("other", Numbered(n));
    });
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(Sdk::Flush());
    ::testing::internal::GetCapturedStderr();
    others.join();
    ASSERT_EQ(Sdk::QueuedCount(), 1024u);

    server_.SetBehaviour({});
    EXPECT_TRUE(Sdk::Flush());
    const auto records = server_.Records();
    ASSERT_EQ(records.size(), 1024u);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(records[i]["properties"]["n"], 6 + i);  // the batch's 24 newest
    EXPECT_EQ(records[24]["properties"]["n"], 1000);
    EXPECT_EQ(records.back()["properties"]["n"], 1999);
}

// A record the collector cannot read would be refused, put back and retried
// for ever in front of every later one: such input is refused at the door.
TEST_F(CollectorTest, UnreadableTextNeverBlocksTheQueue) {
    const struct {
        const char* name;
        std::function<void()> poison;
        std::string message;
    } cases[] = {
        {"appended control byte", [] { Sdk::ProfileAppend("tags", "a\x01b"); },
         "String property 'tags' is not valid UTF-8 string, value: a\x01b\n"},
        {"appended broken UTF-8", [] { Sdk::ProfileAppend("tags", "\xe4\xb8"); },
         "String property 'tags' is not valid UTF-8 string, value: \xe4\xb8\n"},
        {"list element",
         [] {
             PropertiesNode properties;
             properties.SetList("qx_flags", {"silent", "\x1b[0m"});
             Sdk::Track("listed", properties);
         },
         "String property 'qx_flags' is not valid UTF-8 string, value: \x1b[0m\n"},
        {"distinct id", [] { Sdk::SetDistinctId("dev\x02ice", true); }, "The Distinct ID is not valid UTF-8 string.\n"},
        {"login id", [] { Sdk::TrackSignup("login\x7f"); }, "The Distinct ID is not valid UTF-8 string.\n"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(InitClient());
        server_.Clear();
        ::testing::internal::CaptureStderr();
        c.poison();
        Sdk::Track("after", Numbered(1));
        EXPECT_TRUE(Sdk::Flush()) << c.name;
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.message) << c.name;
        const auto records = server_.Records();
        // A refused list leaves its event without that property; the event itself still goes.
        ASSERT_FALSE(records.empty()) << c.name;
        EXPECT_EQ(records.back()["event"], "after") << c.name;
        for (const auto& record : records) {
            EXPECT_EQ(record["distinct_id"], "anon-1") << c.name;
            EXPECT_FALSE(record["properties"].contains("tags")) << c.name;
            EXPECT_FALSE(record["properties"].contains("qx_flags")) << c.name;
        }
        EXPECT_EQ(Sdk::QueuedCount(), 0u) << c.name;
        Sdk::Shutdown();
        std::filesystem::remove(dir_.File("staging"));
    }
}

TEST_F(CollectorTest, VerificationStaysOnWithoutTheTestAuthority) {
    ASSERT_TRUE(InitClient());
    ::unsetenv(kCaBundleVariable);
    Sdk::Track("secret");
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(Sdk::Flush());
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("EventCollector SDK send failed: "), std::string::npos);
    EXPECT_TRUE(server_.Records().empty());
    EXPECT_EQ(Sdk::QueuedCount(), 1u);
}

TEST_F(CollectorTest, StagedRecordsReachTheCollectorInTheNextRun) {
    const std::string downUrl = server_.Url();
    server_.Stop();  // the collector is down during the first run
    ASSERT_TRUE(InitClient(downUrl));
    for (int n = 0; n < 5; ++n) Sdk::Track("offline", Numbered(n));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(Sdk::Flush());
    ::testing::internal::GetCapturedStderr();
    Sdk::Shutdown();
    const std::string staged = ReadAll(dir_.File("staging"));
    EXPECT_EQ(std::count(staged.begin(), staged.end(), '\n'), 5);

    ASSERT_TRUE(server_.Start());
    WriteAll(dir_.File("ca.pem"), server_.CaCertificatePem());
    ASSERT_TRUE(InitClient());
    Sdk::Track("online", Numbered(5));
    EXPECT_TRUE(Sdk::Flush());
    const auto records = server_.Records();
    ASSERT_EQ(records.size(), 6u);
    for (int n = 0; n < 6; ++n) EXPECT_EQ(records[n]["properties"]["n"], n);  // staged ones first
    EXPECT_EQ(ReadAll(dir_.File("staging")), "");
    Sdk::Shutdown();
    EXPECT_EQ(ReadAll(dir_.File("staging")), "");
}

// A collector that misbehaves: the client fails the send, stays within its
// timeout per request, keeps the batch, and keeps only a bounded answer.
TEST_F(CollectorTest, MisbehavingCollectorNeverHangsOrCrashesTheClient) {
    const struct {
        const char* name;
        collector::Behaviour behaviour;
    } cases[] = {
        {"stalls past the timeout", {.delay = std::chrono::milliseconds(4500)}},
        {"drops the connection", {.dropConnection = true}},
        {"redirects", {.redirectTo = "https://127.0.0.1:1/elsewhere"}},
        {"huge error body", {.status = 503, .hugeBodyBytes = 50 * 1024 * 1024}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(InitClient());
        server_.SetBehaviour(c.behaviour);
        server_.Clear();
        for (int n = 0; n < 3; ++n) Sdk::Track("step", Numbered(n));
        const auto start = std::chrono::steady_clock::now();
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(Sdk::Flush()) << c.name;
        const std::string errors = ::testing::internal::GetCapturedStderr();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3900)) << c.name;
        EXPECT_LT(errors.size(), kMaxKeptResponseBytes + 200) << c.name;
        EXPECT_EQ(Sdk::QueuedCount(), 3u) << c.name;
        EXPECT_EQ(server_.Requests().size(), 1u) << c.name;
        Sdk::Shutdown();
        std::filesystem::remove(dir_.File("staging"));
        server_.SetBehaviour({});
    }
}

TEST_F(CollectorTest, PeerThatIsNotHttpIsAFailedSend) {
    const std::string replies[] = {
        std::string("\x16\x03\x01garbage\xff\xfe", 12),  // not a TLS answer
        "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nok",  // cut short, over plain HTTP below
        std::string(100000, 'Z'),
    };
    for (const auto& reply : replies) {
        for (const char* scheme : {"https", "http"}) {
            raw_answer::RawAnswerServer raw(reply);
            ASSERT_TRUE(raw.Start());
            ASSERT_TRUE(InitClient(std::string(scheme) + "://127.0.0.1:" + std::to_string(raw.Port()) + "/sa"));
            Sdk::Track("step");
            const auto start = std::chrono::steady_clock::now();
            ::testing::internal::CaptureStderr();
            EXPECT_FALSE(Sdk::Flush()) << scheme;
            ::testing::internal::GetCapturedStderr();
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3900));
            EXPECT_EQ(Sdk::QueuedCount(), 1u);
            Sdk::Shutdown();
            std::filesystem::remove(dir_.File("staging"));
            raw.Stop();
        }
    }
}

}  // namespace
}  // namespace event_collector
