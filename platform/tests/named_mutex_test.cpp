#include "platform/named_mutex.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/environment.h"

namespace {

class NamedMutexTest : public ::testing::Test {
protected:
    std::filesystem::path folder_ =
        std::filesystem::temp_directory_path() / ("nmutex-" + std::to_string(::getpid()));
    void SetUp() override { std::filesystem::create_directories(folder_); }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    platform::ScopedEnvironmentVariable runtime_{"XDG_RUNTIME_DIR", folder_.string()};

    // Runs Create in a separate process and reports its outcome there.
    static platform::NamedMutex::Outcome OutcomeInChildProcess(const std::string& name) {
        pid_t child = ::fork();
        if (child == 0) {
            platform::NamedMutex::Outcome outcome;
            auto mutex = platform::NamedMutex::Create(name, &outcome);
            ::_exit(static_cast<int>(outcome));
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return static_cast<platform::NamedMutex::Outcome>(WEXITSTATUS(status));
    }
};

TEST_F(NamedMutexTest, HeldAcrossProcessesUntilReleased) {
    using Outcome = platform::NamedMutex::Outcome;
    Outcome outcome;
    auto mutex = platform::NamedMutex::Create("A6E724BE62E3CF87_Test", &outcome);
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(outcome, Outcome::Created);
    EXPECT_EQ(OutcomeInChildProcess("A6E724BE62E3CF87_Test"), Outcome::AlreadyExists);
    mutex.reset();
    EXPECT_EQ(OutcomeInChildProcess("A6E724BE62E3CF87_Test"), Outcome::Created);
}

TEST_F(NamedMutexTest, ReleasedWhenTheHolderDies) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t holder = ::fork();
    if (holder == 0) {
        auto mutex = platform::NamedMutex::Create("dies");
        char held = mutex ? 1 : 0;
        ssize_t ignored = ::write(ready[1], &held, 1);
        (void)ignored;
        ::pause();  // killed below while holding
        ::_exit(0);
    }
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    ASSERT_EQ(held, 1);
    EXPECT_EQ(OutcomeInChildProcess("dies"), platform::NamedMutex::Outcome::AlreadyExists);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_NE(platform::NamedMutex::Create("dies"), nullptr);
}

TEST_F(NamedMutexTest, NamesWithSeparatorsStayInTheFolderAndFailureIsReported) {
    auto mutex = platform::NamedMutex::Create("a/b");
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(std::filesystem::path(mutex->Path()).parent_path(), folder_);

    platform::ScopedEnvironmentVariable missing("XDG_RUNTIME_DIR", (folder_ / "missing").string());
    platform::NamedMutex::Outcome outcome;
    EXPECT_EQ(platform::NamedMutex::Create("x", &outcome), nullptr);
    EXPECT_EQ(outcome, platform::NamedMutex::Outcome::Failed);
}

}  // namespace
