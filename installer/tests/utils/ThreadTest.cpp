#include "utils/Thread.h"

#include <gtest/gtest.h>

#include <atomic>

#include "platform/process_info.h"

namespace {

TEST(Thread, RunsOnlyAfterResumeAndJoins) {
    std::atomic<int> runs{0};
    std::string seen_name;
    Utils::Thread thread(&runs, "ABDEF", [&](void* arg) -> std::uint32_t {
        static_cast<std::atomic<int>*>(arg)->fetch_add(1);
        seen_name = platform::CurrentThreadName();
        return 0;
    });
    ASSERT_TRUE(thread.IsCreated());
    EXPECT_NE(thread.Id(), Utils::Thread::kNoThreadId);
    EXPECT_EQ(runs.load(), 0);
    EXPECT_TRUE(thread.Resume());
    thread.Join();
    EXPECT_EQ(runs.load(), 1);
    EXPECT_EQ(seen_name, "ABDEF");
    EXPECT_EQ(thread.Id(), Utils::Thread::kNoThreadId);
    EXPECT_FALSE(thread.IsCreated());
    thread.Join();  // a second join does nothing
}

TEST(Thread, NamesForDebuggersAndOs) {
    std::string seen;
    auto record_name = [&](void*) -> std::uint32_t {
        seen = platform::CurrentThreadName();
        return 0;
    };
    {
        Utils::Thread unnamed(nullptr, "", record_name);
        std::string expected = "t" + std::to_string(unnamed.Id());
        EXPECT_EQ(unnamed.DebuggerName(), expected);
        unnamed.Resume();
        unnamed.Join();
        EXPECT_EQ(seen, expected.substr(0, 15));
    }
    {
        Utils::Thread long_name(nullptr, "UnInstallerWithAVeryLongName", record_name);
        EXPECT_EQ(long_name.DebuggerName(), "UnInstallerWithAVeryLongName");
        long_name.Resume();
        long_name.Join();
        EXPECT_EQ(seen, "UnInstallerWith");
    }
}

TEST(Thread, NeverResumedThreadIsLetGoWithoutRunning) {
    bool ran = false;
    {
        Utils::Thread thread(nullptr, "idle", [&](void*) -> std::uint32_t {
            ran = true;
            return 0;
        });
    }
    EXPECT_FALSE(ran);
}

TEST(Thread, JoinFromItsOwnThreadDoesNotDeadlock) {
    // The body joins its own Thread object: it must let go, not wait for itself.
    std::unique_ptr<Utils::Thread> own;
    std::atomic<bool> finished{false};
    std::mutex ready;
    ready.lock();
    own = std::make_unique<Utils::Thread>(nullptr, "own", [&](void*) -> std::uint32_t {
        { std::lock_guard wait_for_owner(ready); }
        own->Join();
        finished = true;  // the last touch of the test's stack
        return 0;
    });
    own->Resume();
    ready.unlock();
    while (!finished.load()) std::this_thread::yield();
    EXPECT_FALSE(own->IsCreated());
}

}  // namespace
