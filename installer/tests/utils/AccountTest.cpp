#include "utils/Account.h"

#include <gtest/gtest.h>

#include "platform/environment.h"

namespace {

using platform::ScopedEnvironmentVariable;

TEST(Account, RealAccountsWithoutOverrides) {
    ScopedEnvironmentVariable accounts("QUORVANE_ADMIN_ACCOUNTS", std::nullopt);
    EXPECT_TRUE(Utils::IsAdministratorAccount("root"));
    EXPECT_FALSE(Utils::IsAdministratorAccount("nobody"));
    EXPECT_FALSE(Utils::IsAdministratorAccount("no-such-user-4711"));
    EXPECT_FALSE(Utils::IsAdministratorAccount(""));
}

TEST(Account, OverridesForTests) {
    {
        ScopedEnvironmentVariable admin("QUORVANE_PROCESS_ADMIN", "1");
        EXPECT_TRUE(Utils::IsUserAdmin());
    }
    {
        ScopedEnvironmentVariable admin("QUORVANE_PROCESS_ADMIN", "0");
        EXPECT_FALSE(Utils::IsUserAdmin());
    }
    ScopedEnvironmentVariable accounts("QUORVANE_ADMIN_ACCOUNTS", "alice,bob");
    EXPECT_TRUE(Utils::IsAdministratorAccount("bob"));
    EXPECT_FALSE(Utils::IsAdministratorAccount("root"));
    EXPECT_FALSE(Utils::IsAdministratorAccount("ali"));
}

TEST(Account, ConsoleUserLeavesOutputAloneWhenUnknown) {
    std::string name = "unchanged";
    {
        ScopedEnvironmentVariable console("QUORVANE_CONSOLE_USER", "");
        EXPECT_FALSE(Utils::GetConsoleUserName(name));
        EXPECT_EQ(name, "unchanged");
    }
    {
        ScopedEnvironmentVariable console("QUORVANE_CONSOLE_USER", "carol");
        EXPECT_TRUE(Utils::GetConsoleUserName(name));
        EXPECT_EQ(name, "carol");
    }
    ScopedEnvironmentVariable console("QUORVANE_CONSOLE_USER", std::nullopt);
    name.clear();
    EXPECT_TRUE(Utils::GetConsoleUserName(name));  // this process's user at least
    EXPECT_FALSE(name.empty());
}

}  // namespace
