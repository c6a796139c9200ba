#include "utils/SystemInfo.h"

#include <gtest/gtest.h>

#include "platform/environment.h"

namespace {

struct VersionCase {
    unsigned major, minor, build;
    bool r2;
    const char* name;
};

TEST(GetOsName, VersionTable) {
    const VersionCase cases[] = {
        {.major = 0, .minor = 0, .build = 0, .r2 = false, .name = "XP-"},
        {.major = 4, .minor = 10, .build = 1998, .r2 = false, .name = "XP-"},
        {.major = 5, .minor = 0, .build = 2195, .r2 = false, .name = "2K"},
        {.major = 5, .minor = 1, .build = 2600, .r2 = false, .name = "XP"},
        {.major = 5, .minor = 2, .build = 3790, .r2 = false, .name = "Server 2003"},
        {.major = 5, .minor = 2, .build = 3790, .r2 = true, .name = "Server 2003 R2"},
        {.major = 5, .minor = 3, .build = 0, .r2 = false, .name = "XP+"},
        {.major = 6, .minor = 0, .build = 6002, .r2 = false, .name = "Vista"},
        {.major = 6, .minor = 1, .build = 7601, .r2 = false, .name = "7"},
        {.major = 6, .minor = 2, .build = 9200, .r2 = false, .name = "8"},
        {.major = 6, .minor = 3, .build = 9600, .r2 = false, .name = "8.1"},
        {.major = 6, .minor = 4, .build = 9841, .r2 = false, .name = "8.1+"},
        {.major = 10, .minor = 0, .build = 22631, .r2 = false, .name = "10"},  // Windows 11 reports 10.0
        {.major = 10, .minor = 1, .build = 0, .r2 = false, .name = "10+"},
        {.major = 11, .minor = 0, .build = 26100, .r2 = false, .name = "11.0.26100"},
        {.major = 7, .minor = 2, .build = 5, .r2 = false, .name = "7.2.5"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utils::OsNameForVersion(c.major, c.minor, c.build, c.r2), c.name)
            << c.major << "." << c.minor << "." << c.build << (c.r2 ? " R2" : "");
    }
}

TEST(GetOsName, ReadsTheEmulatedVersion) {
    struct Case {
        std::optional<std::string> version, r2;
        const char* name;
    };
    const Case cases[] = {
        {.version = std::nullopt, .r2 = std::nullopt, .name = "10"},  // the default machine
        {.version = "5.1.2600", .r2 = std::nullopt, .name = "XP"},
        {.version = "5.2.3790", .r2 = "1", .name = "Server 2003 R2"},
        {.version = "6.1.7601", .r2 = "1", .name = "7"},  // the marker only matters for 5.2
        {.version = "11.0.70000", .r2 = std::nullopt, .name = "11.0.4464"},  // build is the low 16 bits
        {.version = "unavailable", .r2 = std::nullopt, .name = "XP-"},
    };
    for (const auto& c : cases) {
        platform::ScopedEnvironmentVariable version("QUORVANE_WINDOWS_VERSION", c.version);
        platform::ScopedEnvironmentVariable r2("QUORVANE_WINDOWS_R2", c.r2);
        std::string family = "x", name;
        Utils::GetOsName(family, name);
        EXPECT_EQ(family, "Windows");
        EXPECT_EQ(name, c.name) << c.version.value_or("(default)");
    }
}

TEST(IsWow64, AnswersFromQueryOrArchitecture) {
    struct Case {
        std::optional<std::string> wow64, arch;
        bool expected;
    };
    const Case cases[] = {
        {.wow64 = std::nullopt, .arch = std::nullopt, .expected = false},
        {.wow64 = "yes", .arch = std::nullopt, .expected = true},
        {.wow64 = "no", .arch = "9", .expected = false},
        {.wow64 = "unavailable", .arch = "9", .expected = false},
        {.wow64 = "fail", .arch = "9", .expected = true},
        {.wow64 = "fail", .arch = "6", .expected = true},
        {.wow64 = "fail", .arch = "0", .expected = false},
        {.wow64 = "fail", .arch = "12", .expected = false},
    };
    for (const auto& c : cases) {
        platform::ScopedEnvironmentVariable wow64("QUORVANE_WOW64", c.wow64);
        platform::ScopedEnvironmentVariable arch("QUORVANE_NATIVE_ARCH", c.arch);
        EXPECT_EQ(Utils::IsWow64(), c.expected) << c.wow64.value_or("-") << " " << c.arch.value_or("-");
    }
}

}  // namespace
