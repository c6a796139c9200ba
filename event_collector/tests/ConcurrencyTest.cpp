// Several threads add records and change the identity while another flushes.
// Run under ThreadSanitizer with the other threaded tests.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "CollectorServer.h"
#include "TestSupport.h"

namespace event_collector {
namespace {

using testing::SdkTest;

class ConcurrencyTest : public SdkTest {};

TEST_F(ConcurrencyTest, AddersAndAFlusherLoseNothingWithinTheBounds) {
    collector::CollectorServer server({.https = false});
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(Sdk::Init(dir_.File("staging"), server.Url(), "anon", false));

    constexpr int kThreads = 4, kPerThread = 150;
    std::atomic<bool> adding{true};
    std::vector<std::thread> adders;
    for (int t = 0; t < kThreads; ++t) {
        adders.emplace_back([t] {
            for (int i = 0; i < kPerThread; ++i) {
                PropertiesNode properties;
                properties.SetNumber("id", t * 1000 + i);
                Sdk::Track("work", properties);
                if (i % 50 == 0) {
                    PropertiesNode super;
                    super.SetNumber("qx_round", i);
                    Sdk::RegisterSuperProperties(super);
                    Sdk::SetDistinctId("user-" + std::to_string(t), i % 100 == 0);
                }
                if (t == 0 && i == 75) Sdk::TrackSignup("member-0");
            }
        });
    }
    std::thread flusher([&] {
        while (adding) {
            Sdk::Flush();
            std::this_thread::yield();
        }
    });
    for (auto& thread : adders) thread.join();
    adding = false;
    flusher.join();
    EXPECT_TRUE(Sdk::Flush());
    EXPECT_EQ(Sdk::QueuedCount(), 0u);

    // Fewer than the capacity were ever waiting, so every record arrived exactly once.
    std::set<int> ids;
    int signups = 0;
    for (const auto& record : server.Records()) {
        if (record["type"] == "track_signup") {
            ++signups;
            continue;
        }
        EXPECT_TRUE(ids.insert(record["properties"]["id"].get<int>()).second);
        EXPECT_TRUE(record["properties"].contains("$lib"));
    }
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(kThreads * kPerThread));
    EXPECT_EQ(signups, 1);
    Sdk::Shutdown();
    server.Stop();
}

}  // namespace
}  // namespace event_collector
