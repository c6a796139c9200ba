#include "utils/InstanceMutex.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/environment.h"
#include "platform/process_info.h"

namespace {

// The lock files go to a private runtime folder so tests never meet a real installer.
class InstanceMutexTest : public ::testing::Test {
protected:
    std::filesystem::path folder_ = std::filesystem::temp_directory_path() / ("imutex-" + std::to_string(platform::CurrentProcessId()));
    void SetUp() override { std::filesystem::create_directories(folder_); }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    platform::ScopedEnvironmentVariable runtime_{"XDG_RUNTIME_DIR", folder_.string()};
};

TEST_F(InstanceMutexTest, SecondHolderOfTheNameGetsNothingUntilTheFirstGoes) {
    auto first = std::make_unique<Utils::InstanceMutex>("Quorvane");
    first->Acquire();
    ASSERT_TRUE(first->IsHeld());
    EXPECT_TRUE(std::filesystem::exists(folder_ / "A6E724BE62E3CF87_Quorvane.lock"));
    first->Acquire();  // already held: nothing changes
    EXPECT_TRUE(first->IsHeld());

    Utils::InstanceMutex second("Quorvane");
    second.Acquire();
    EXPECT_FALSE(second.IsHeld());
    EXPECT_TRUE(first->IsHeld());

    Utils::InstanceMutex other_name("Other");
    other_name.Acquire();
    EXPECT_TRUE(other_name.IsHeld());

    first.reset();
    second.Acquire();
    EXPECT_TRUE(second.IsHeld());
}

}  // namespace
