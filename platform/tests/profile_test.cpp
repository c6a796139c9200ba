#include "platform/profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

class ProfileFile : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("profile_test_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        file_ = folder_ / "settings.ini";
    }
    void TearDown() override { fs::remove_all(folder_); }

    void Write(const std::string& content) const {
        std::ofstream out(file_, std::ios::binary);
        out << content;
    }
    std::string Read() const {
        std::ifstream in(file_, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    fs::path folder_;
    fs::path file_;
};

TEST_F(ProfileFile, ReadsWithTheProfileRules) {
    Write(
        "orphan=before any section\r\n"
        "[Install]\r\n"
        "DownloadUrl = http://host/a \r\n"
        "Empty=\r\n"
        "Blanks=   \r\n"
        "Quoted=\"  padded  \"\r\n"
        "Single='x'\r\n"
        "Mismatched=\"x'\r\n"
        "LoneQuote=\"\r\n"
        "Equals=a=b\r\n"
        "Dup=first\r\n"
        "DUP=second\r\n"
        "no equals sign here\r\n"
        "; Commented=yes\r\n"
        "  [ Other ]  \r\n"
        "Key=other section\r\n"
        "[install]\r\n"
        "Later=in a second section of the same name\r\n"
        "[Unclosed\n"
        "Key=unclosed header\n");
    struct Case {
        const char* section;
        const char* key;
        const char* expect;
    } cases[] = {
        {"Install", "DownloadUrl", "http://host/a"},
        {"INSTALL", "downloadurl", "http://host/a"},
        {"Install", "Empty", ""},
        {"Install", "Blanks", ""},
        {"Install", "Quoted", "  padded  "},
        {"Install", "Single", "x"},
        {"Install", "Mismatched", "\"x'"},
        {"Install", "LoneQuote", "\""},
        {"Install", "Equals", "a=b"},
        {"Install", "dup", "first"},
        {"Install", "Missing", "default"},
        {"Install", "no equals sign here", "default"},
        {"Install", "; Commented", "default"},
        {"Install", "orphan", "default"},
        {"Install", "Later", "default"},
        {"Other", "key", "other section"},
        {"Unclosed", "Key", "unclosed header"},
        {"Absent", "Key", "default"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::GetProfileString(file_, c.section, c.key, "default"), c.expect)
            << c.section << "/" << c.key;
    }
}

TEST_F(ProfileFile, CutsToTheBufferInUtf16Units) {
    const std::string long_ascii(300, 'a');
    const std::string emoji = "\xF0\x9F\x98\x80";  // two UTF-16 units
    Write("\xEF\xBB\xBF[S]\nLong=" + long_ascii + "\nPair=" + std::string(258, 'b') + emoji +
          "\nWide=" + std::string(10, 'c') + "\xC3\xA9\xC3\xA9" + "\n");
    EXPECT_EQ(platform::GetProfileString(file_, "S", "Long", ""), std::string(259, 'a'));
    // The pair does not fit in the last unit: it is left out whole, never split.
    EXPECT_EQ(platform::GetProfileString(file_, "S", "Pair", ""), std::string(258, 'b'));
    EXPECT_EQ(platform::GetProfileString(file_, "S", "Pair", "", 261), std::string(258, 'b') + emoji);
    EXPECT_EQ(platform::GetProfileString(file_, "S", "Wide", "", 12), std::string(10, 'c') + "\xC3\xA9");
    EXPECT_EQ(platform::GetProfileString(file_, "S", "Missing", long_ascii), std::string(259, 'a'));
    EXPECT_EQ(platform::GetProfileString(file_, "S", "Long", "", 1), "");
    EXPECT_EQ(platform::GetProfileString(file_, "S", "Long", "", 0), "");
}

TEST_F(ProfileFile, ReadsIntegersFromTheLeadingDigits) {
    Write(
        "[S]\nPlain=3\nSpaced=  42  \nTail=12abc\nNone=abc\nEmpty=\nNegative=-7\nPlus=+5\nHex=0x10\n"
        "Max=2147483647\nMin=-2147483648\nHuge=99999999999999999999\nSignOnly=-\n");
    struct Case {
        const char* key;
        int expect;
    } cases[] = {
        {"Plain", 3},     {"Spaced", 42},  {"Tail", 12},   {"None", 0},         {"Empty", 9},
        {"Negative", -7}, {"Plus", 5},     {"Hex", 0},     {"Max", 2147483647}, {"Min", -2147483647 - 1},
        {"Huge", 9},      {"SignOnly", 0}, {"Missing", 9},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::GetProfileInt(file_, "S", c.key, 9), c.expect) << c.key;
}

TEST_F(ProfileFile, BadFilesGiveDefaultsWithoutFailing) {
    struct Case {
        const char* name;
        std::string content;
    } cases[] = {
        {"garbage", "]]][[[\n=\n==\n[\n[]\n=novalue\n\r\r\r\n[Install\n"},
        {"binary", std::string("\0\xFF\xFE[Install]\0\n\x80\x81=\xC3\n\0", 20)},
        {"utf16", std::string("\xFF\xFE[\0I\0n\0s\0t\0a\0l\0l\0]\0", 20)},
        {"huge value", "[Other]\nKey=" + std::string(10000, 'x') + "\n"},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        Write(c.content);
        EXPECT_EQ(platform::GetProfileString(file_, "Install", "Key", "fallback"), "fallback") << c.name;
        EXPECT_EQ(platform::GetProfileInt(file_, "Install", "Key", 4), 4) << c.name;
    }
    // A 10,000-character value is read, cut to the buffer.
    EXPECT_EQ(platform::GetProfileString(file_.parent_path() / "missing.ini", "S", "K", "d"), "d");
    Write("[Other]\nKey=" + std::string(10000, 'x') + "\n");
    EXPECT_EQ(platform::GetProfileString(file_, "Other", "Key", "").size(), 259u);
    // Unreadable: a folder where the file should be.
    fs::remove(file_);
    fs::create_directory(file_);
    EXPECT_EQ(platform::GetProfileString(file_, "Install", "Key", "fallback"), "fallback");
    EXPECT_EQ(platform::GetProfileInt(file_, "Install", "Key", 4), 4);
    EXPECT_FALSE(platform::WriteProfileString(file_, "Install", "Key", "v"));
    EXPECT_TRUE(fs::is_directory(file_));
}

TEST_F(ProfileFile, WritesChangeOnlyTheirLine) {
    const std::string before =
        "; settings written by hand\r\n"
        "[Install]\r\n"
        "  DownloadType =  3  \r\n"
        "odd line without equals\r\n"
        "\r\n"
        "[Paths]\r\n"
        "InstallPath=C:\\Quorvane\r\n"
        "\r\n"
        "\r\n";
    struct Case {
        const char* name;
        const char* section;
        const char* key;
        std::optional<std::string_view> value;
        std::string expect;
    } cases[] = {
        {.name = "replace keeps the key's spelling and spacing",
         .section = "install",
         .key = "downloadtype",
         .value = "2",
         .expect = "; settings written by hand\r\n[Install]\r\n  DownloadType =  2\r\nodd line without equals\r\n"
                   "\r\n[Paths]\r\nInstallPath=C:\\Quorvane\r\n\r\n\r\n"},
        {.name = "new key after the section's last line",
         .section = "Install",
         .key = "IsCheckNet",
         .value = "true",
         .expect = "; settings written by hand\r\n[Install]\r\n  DownloadType =  3  \r\nodd line without equals\r\n"
                   "IsCheckNet=true\r\n\r\n[Paths]\r\nInstallPath=C:\\Quorvane\r\n\r\n\r\n"},
        {.name = "new section at the end",
         .section = "New",
         .key = "K",
         .value = "",
         .expect = before + "[New]\r\nK=\r\n"},
        {.name = "removal",
         .section = "Paths",
         .key = "InstallPath",
         .value = std::nullopt,
         .expect = "; settings written by hand\r\n[Install]\r\n  DownloadType =  3  \r\nodd line without equals\r\n"
                   "\r\n[Paths]\r\n\r\n\r\n"},
        {.name = "removing a missing key changes nothing",
         .section = "Paths",
         .key = "Absent",
         .value = std::nullopt,
         .expect = before},
    };
    for (const auto& c : cases) {
        Write(before);
        EXPECT_TRUE(platform::WriteProfileString(file_, c.section, c.key, c.value)) << c.name;
        EXPECT_EQ(Read(), c.expect) << c.name;
    }
}

TEST_F(ProfileFile, WritesCreateTheFileAndReadBack) {
    EXPECT_TRUE(platform::WriteProfileString(file_, "Install", "InstallPath", "/opt/Quorvane"));
    EXPECT_TRUE(platform::WriteProfileString(file_, "Install", "Version", "1.7.9"));
    EXPECT_EQ(Read(), "[Install]\r\nInstallPath=/opt/Quorvane\r\nVersion=1.7.9\r\n");
    EXPECT_EQ(platform::GetProfileString(file_, "install", "installpath", ""), "/opt/Quorvane");

    // A file without a final line break, with LF line ends.
    Write("[A]\nx=1");
    EXPECT_TRUE(platform::WriteProfileString(file_, "A", "y", "2"));
    EXPECT_TRUE(platform::WriteProfileString(file_, "B", "z", "3"));
    EXPECT_EQ(Read(), "[A]\nx=1\ny=2\n[B]\nz=3\n");

    EXPECT_FALSE(platform::WriteProfileString(folder_ / "no" / "such" / "folder.ini", "A", "k", "v"));
    EXPECT_FALSE(fs::exists(folder_ / "no"));
}

TEST_F(ProfileFile, RefusesTextThatWouldBreakTheFile) {
    Write("[S]\nk=v\n");
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    } cases[] = {
        {"S", "k", "v\n[Evil]\nx=1"},
        {"S", "k", "v\rx"},
        {"S\nx", "k", "v"},
        {"S", "k\nx", "v"},
        {"S]", "k", "v"},
        {"S", "a=b", "v"},
        {"", "k", "v"},
        {"S", "", "v"},
        {"S", "[k", "v"},
        {"S", ";k", "v"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(platform::WriteProfileString(file_, c.section, c.key, c.value)) << c.section << "/" << c.key;
    }
    EXPECT_EQ(Read(), "[S]\nk=v\n");
}

TEST_F(ProfileFile, KeepsPermissionsAndLeavesNoTemporaryFiles) {
    Write("[S]\nk=v\n");
    fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(platform::WriteProfileString(file_, "S", "k", "w"));
    EXPECT_EQ(fs::status(file_).permissions() & fs::perms::mask, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);

    // Through a symbolic link the target is updated and the link stays.
    fs::create_symlink(file_, folder_ / "link.ini");
    ASSERT_TRUE(platform::WriteProfileString(folder_ / "link.ini", "S", "k", "x"));
    EXPECT_TRUE(fs::is_symlink(folder_ / "link.ini"));
    EXPECT_EQ(platform::GetProfileString(file_, "S", "k", ""), "x");
}

TEST_F(ProfileFile, ConcurrentWritersLoseNoKey) {
    auto writer = [this](const std::string& prefix) {
        for (int i = 0; i < 20; ++i) platform::WriteProfileString(file_, "S", prefix + std::to_string(i), "v");
    };
    std::thread a(writer, "a"), b(writer, "b");
    a.join();
    b.join();
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(platform::GetProfileString(file_, "S", "a" + std::to_string(i), ""), "v");
        EXPECT_EQ(platform::GetProfileString(file_, "S", "b" + std::to_string(i), ""), "v");
    }
}

}  // namespace
