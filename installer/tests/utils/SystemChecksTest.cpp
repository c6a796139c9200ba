#include "utils/SystemChecks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "platform/environment.h"
#include "platform/process_info.h"
#include "utils/HardDiskManager.h"
#include "utils/Stopwatch.h"

namespace {

namespace fs = std::filesystem;
using platform::ScopedEnvironmentVariable;

// Diagnostic records of this test program go to a file we can read. Set
// before main, ahead of the first record, which fixes the destination.
const fs::path kLogFile = fs::temp_directory_path() / ("utils-log-" + std::to_string(platform::CurrentProcessId()));
const bool kLogRedirected = [] {
    platform::SetEnvironmentVariable("QUORVANE_DEBUG_OUTPUT", kLogFile.string());
    return true;
}();

std::string LogText() {
    std::ifstream in(kLogFile, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class SystemChecksTest : public ::testing::Test {
protected:
    fs::path root_ = fs::temp_directory_path() / ("checks-" + std::to_string(platform::CurrentProcessId()));
    void SetUp() override { fs::create_directories(root_); }
    void TearDown() override { fs::remove_all(root_); }
    void MakeFile(const fs::path& path) { std::ofstream(path) << "x"; }
};

TEST_F(SystemChecksTest, TempFolderIsCreatedOnceAndEndsWithSeparator) {
    ScopedEnvironmentVariable tmpdir("TMPDIR", root_.string() + "/");
    std::string first = Utils::GetTempFolder();
    EXPECT_EQ(first, root_.string() + "/~TessaVonTemp.92482B06FB471E17/");
    EXPECT_TRUE(fs::is_directory(first));
    EXPECT_EQ(Utils::GetTempFolder(), first);
}

TEST_F(SystemChecksTest, TempFolderEmptyWhenItCannotBeThere) {
    {
        MakeFile(root_ / "~TessaVonTemp.92482B06FB471E17");  // a file in its place
        ScopedEnvironmentVariable tmpdir("TMPDIR", root_.string());
        EXPECT_EQ(Utils::GetTempFolder(), "");
    }
    {
        ScopedEnvironmentVariable tmpdir("TMPDIR", (root_ / "missing" / "deeper").string());
        EXPECT_EQ(Utils::GetTempFolder(), "");
    }
    // 259 characters fit, 260 do not.
    const std::size_t name_length = std::string("/~TessaVonTemp.92482B06FB471E17/").size();
    for (std::size_t total : {259u, 260u}) {
        fs::path deep = root_ / std::string(total - name_length - root_.string().size() - 1, 'd');
        fs::create_directories(deep);
        ScopedEnvironmentVariable tmpdir("TMPDIR", deep.string());
        EXPECT_EQ(Utils::GetTempFolder().size(), total == 259 ? 259u : 0u);
    }
}

TEST_F(SystemChecksTest, CreateDirectories) {
    MakeFile(root_ / "file");
    struct Case {
        const char* name;
        std::string path;
        bool result;
    };
    const std::string base = root_.string();
    const Case cases[] = {
        {.name = "existing path", .path = base, .result = true},
        {.name = "existing path with separator", .path = base + "/", .result = true},
        {.name = "missing parent chain", .path = base + "/a/b/c", .result = true},
        {.name = "missing chain with separator", .path = base + "/x/y/", .result = true},
        {.name = "relative parts", .path = base + "/a/./b/../d", .result = true},
        {.name = "under a regular file", .path = base + "/file/sub", .result = false},
        {.name = "a file at the end", .path = base + "/file", .result = false},
        {.name = "empty", .path = "", .result = false},
    };
    for (const auto& c : cases) EXPECT_EQ(Utils::CreateDirectories(c.path), c.result) << c.name;
    EXPECT_TRUE(fs::is_directory(root_ / "a" / "b" / "c"));
    EXPECT_TRUE(fs::is_directory(root_ / "a" / "d"));
    EXPECT_TRUE(fs::is_directory(root_ / "x" / "y"));
}

TEST_F(SystemChecksTest, OverLongPathIsRefusedWithoutCreatingAnything) {
    std::string base = root_.string() + "/long/";
    std::string fits = base + std::string(260 - base.size(), 'f');
    std::string too_long = base + std::string(261 - base.size(), 'g');
    EXPECT_FALSE(Utils::CreateDirectories(too_long));
    EXPECT_FALSE(fs::exists(root_ / "long"));
    // Characters are counted as Windows counts them: "安" is one, not three bytes.
    std::string wide = base + std::string(200 - base.size(), 'w') + "/";
    for (int i = 0; i < 50; ++i) wide += "安";  // 251 characters, 351 bytes
    ASSERT_GT(wide.size(), 260u);
    EXPECT_TRUE(Utils::CreateDirectories(wide));
    EXPECT_TRUE(Utils::CreateDirectories(fits));
}

TEST(NewGuidText, ThirtyTwoDigitsInTheCasePattern) {
    const std::regex pattern("[0-9A-F]{12}4[0-9a-f]{3}[89AB][0-9A-F]{15}");
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        std::string text = Utils::NewGuidText();
        EXPECT_EQ(text.size(), 32u);
        EXPECT_TRUE(std::regex_match(text, pattern)) << text;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 200u);
}

TEST(CheckNetwork, FlagsAndVerdict) {
    struct Case {
        const char* state;
        std::uint32_t result;
        const char* log;
    };
    const Case cases[] = {
        {.state = "full", .result = 0x40, .log = nullptr},
        {.state = "limited", .result = 0x20000 | 0x20, .log = "get_IsConnectedToInternet:0\r\n"},
        {.state = "portal", .result = 0x20000 | 0x20, .log = "get_IsConnectedToInternet:0\r\n"},
        {.state = "none", .result = 0x10000, .log = "GetConnectivity 0\r\n"},
        {.state = "unavailable", .result = 0, .log = nullptr},
    };
    for (const auto& c : cases) {
        ScopedEnvironmentVariable state("QUORVANE_CONNECTIVITY", c.state);
        std::size_t before = LogText().size();
        EXPECT_EQ(Utils::CheckNetwork(), c.result) << c.state;
        std::string logged = LogText().substr(before);
        if (c.log == nullptr) {
            EXPECT_EQ(logged, "") << c.state;
        } else {
            EXPECT_NE(logged.find(std::string("(Utils::CheckNetwork)")), std::string::npos) << logged;
            EXPECT_TRUE(logged.ends_with(c.log)) << logged;
        }
    }
    // The real monitor answers something consistent.
    std::uint32_t real = Utils::CheckNetwork();
    EXPECT_LE(real >> 16, 2u);
}

TEST_F(SystemChecksTest, FreeSpaceOfTheDiskHoldingAFolder) {
    Utils::HardDiskManager disk;
    ASSERT_TRUE(disk.CheckFreeSpace(root_.string()));
    EXPECT_GT(disk.TotalBytes(), 0u);
    EXPECT_LE(disk.TotalFreeBytes(), disk.TotalBytes());
    EXPECT_LE(disk.FreeBytesAvailable(), disk.TotalFreeBytes());
    // A folder not created yet is measured on the disk that will hold it.
    Utils::HardDiskManager later;
    EXPECT_TRUE(later.CheckFreeSpace((root_ / "not" / "yet").string()));
    EXPECT_EQ(later.TotalBytes(), disk.TotalBytes());
}

TEST_F(SystemChecksTest, FreeSpaceFailureKeepsCountsAndLogs) {
    MakeFile(root_ / "file");
    Utils::HardDiskManager disk;
    ASSERT_TRUE(disk.CheckFreeSpace(root_.string()));
    std::uint64_t total = disk.TotalBytes();
    std::size_t before = LogText().size();
    EXPECT_FALSE(disk.CheckFreeSpace((root_ / "file" / "sub").string()));
    EXPECT_FALSE(disk.CheckFreeSpace(""));
    EXPECT_EQ(disk.TotalBytes(), total);
    std::string logged = LogText().substr(before);
    EXPECT_NE(logged.find("(Utils::HardDiskManager::CheckFreeSpace)"), std::string::npos) << logged;
    EXPECT_NE(logged.find(": HardDiskManager::CheckFreeSpace FAIL code=20\r\n"), std::string::npos) << logged;
    EXPECT_EQ(logged.find("\r\n\r\n"), std::string::npos);
}

std::uint32_t g_tick = 0;
std::uint32_t FakeTicks() { return g_tick; }

TEST(Stopwatch, ElapsedSecondsSurviveTheCounterWrapping) {
    Utils::Stopwatch watch(&FakeTicks);
    g_tick = 5000;
    EXPECT_EQ(watch.elapsed(), 0.0f);  // not started
    struct Case {
        std::uint32_t start, now;
        float seconds;
    };
    const Case cases[] = {
        {.start = 1000, .now = 3500, .seconds = 2.5f},
        {.start = 0xFFFFFC18u, .now = 1000, .seconds = 2.0f},  // 1 s before the wrap, 1 s after
        {.start = 42, .now = 42, .seconds = 0.0f},
    };
    for (const auto& c : cases) {
        g_tick = c.start;
        watch.Start();
        g_tick = c.now;
        EXPECT_FLOAT_EQ(watch.elapsed(), c.seconds) << c.start << " -> " << c.now;
    }
    watch.Reset();
    EXPECT_EQ(watch.elapsed(), 0.0f);
    Utils::Stopwatch real;
    real.Start();
    EXPECT_GE(real.elapsed(), 0.0f);
    EXPECT_LT(real.elapsed(), 5.0f);
}

}  // namespace
