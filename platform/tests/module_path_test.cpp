#include "platform/module_path.h"

#include <gtest/gtest.h>

namespace {

TEST(ModulePath, IsThisTestExecutableAndItsFolder) {
    const std::filesystem::path path = platform::ModulePath();
    ASSERT_TRUE(path.is_absolute()) << path;
    EXPECT_EQ(path.filename(), "platform_tests");
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    EXPECT_EQ(platform::ModuleFolder(), path.parent_path());
}

}  // namespace
