// The version-name table, the user agent, the locale triple and distinct ids.
#include <gtest/gtest.h>

#include <regex>

#include "QxSystemInfo.h"
#include "platform/environment.h"

namespace tessavon::tracking {
namespace {

TEST(WindowsVersionName, FollowsTheNamingTable) {
    struct Case {
        std::optional<QxNtVersion> version;
        bool is64;
        bool r2;
        const char* name;
    };
    const Case cases[] = {
        {std::nullopt, true, false, "XP-"},
        {QxNtVersion{4, 0, 1381}, false, false, "XP-"},
        {QxNtVersion{5, 0, 2195}, false, false, "2K"},
        {QxNtVersion{5, 1, 2600}, false, false, "XP"},
        {QxNtVersion{5, 2, 3790}, true, true, "XP64"},
        {QxNtVersion{5, 2, 3790}, false, true, "Server 2003 R2"},
        {QxNtVersion{5, 2, 3790}, false, false, "Server 2003"},
        {QxNtVersion{5, 3, 0}, false, false, "XP+"},
        {QxNtVersion{6, 0, 6002}, true, false, "Vista64"},
        {QxNtVersion{6, 0, 6002}, false, false, "Vista"},
        {QxNtVersion{6, 1, 7601}, true, false, "7"},
        {QxNtVersion{6, 1, 7601}, false, false, "7-32"},
        {QxNtVersion{6, 2, 9200}, false, false, "8-32"},
        {QxNtVersion{6, 3, 9600}, true, false, "8.1"},
        {QxNtVersion{6, 3, 9600}, false, false, "8.1"},
        {QxNtVersion{6, 4, 0}, false, false, "8.1+"},
        {QxNtVersion{10, 0, 19045}, true, false, "10"},
        {QxNtVersion{10, 1, 0}, true, false, "10+"},
        {QxNtVersion{11, 0, 0x10000 + 22000}, true, false, "11.0.22000"},
    };
    for (const Case& c : cases) EXPECT_EQ(WindowsVersionName(c.version, c.is64, c.r2), c.name) << c.name;
    EXPECT_EQ(UserAgent("10", true), "Mozilla/5.0(Windows 10; Win64;)");
    EXPECT_EQ(UserAgent("7-32", false), "Mozilla/5.0(Windows 7-32; Win32;)");
}

TEST(WindowsVersionName, ANativeProcessOnA64BitSystemCountsAs64Bit) {
    platform::ScopedEnvironmentVariable wow("QUORVANE_WOW64", "no");
    platform::ScopedEnvironmentVariable arch("QUORVANE_NATIVE_ARCH", "9");
    platform::ScopedEnvironmentVariable version("QUORVANE_WINDOWS_VERSION", "6.1.7601");
    EXPECT_TRUE(IsSystem64Bit());
    EXPECT_EQ(CurrentWindowsVersionName(), "7");
    platform::ScopedEnvironmentVariable x86("QUORVANE_NATIVE_ARCH", "0");
    EXPECT_FALSE(IsSystem64Bit());
    EXPECT_EQ(CurrentWindowsVersionName(), "7-32");
    platform::ScopedEnvironmentVariable emulated("QUORVANE_WOW64", "yes");
    EXPECT_TRUE(IsSystem64Bit());
}

TEST(LocaleTriple, ChosenLocaleWinsOverTheSystemOne) {
    platform::ScopedEnvironmentVariable all("LC_ALL", "zh_CN.UTF-8");
    struct Case {
        const char* chosen;
        const char* language;
        const char* country;
        const char* locale;
    };
    const Case cases[] = {
        {"en_US", "en", "US", "en_US"},
        {"pt_BR_x", "pt", "BR_x", "pt_BR_x"},
        {"english", "zh", "CN", "zh_CN"},
        {"_US", "zh", "CN", "zh_CN"},
        {"", "zh", "CN", "zh_CN"},
    };
    for (const Case& c : cases) {
        const QxLocale triple = LocaleTriple(c.chosen);
        EXPECT_EQ(triple.language, c.language) << c.chosen;
        EXPECT_EQ(triple.country, c.country) << c.chosen;
        EXPECT_EQ(triple.locale, c.locale) << c.chosen;
    }
    platform::ScopedEnvironmentVariable c("LC_ALL", "C");
    const QxLocale none = LocaleTriple("");
    EXPECT_EQ(none.locale + none.language + none.country, "");
}

TEST(DistinctId, GuidAndFallbackShareTheLayout) {
    const std::regex guid("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    const std::string a = NewDistinctId();
    EXPECT_TRUE(std::regex_match(a, guid)) << a;
    EXPECT_NE(a, NewDistinctId());
    const std::string fallback = FallbackDistinctId();
    EXPECT_TRUE(std::regex_match(fallback, std::regex("[0-9a-f]+-[0-9a-f]+-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]+")))
        << fallback;
    EXPECT_NE(fallback, FallbackDistinctId());
}

}  // namespace
}  // namespace tessavon::tracking
