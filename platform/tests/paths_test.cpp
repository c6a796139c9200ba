#include "platform/paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/environment.h"
#include "platform/special_folders.h"

namespace {

namespace fs = std::filesystem;

class PathsTest : public ::testing::Test {
protected:
    fs::path root_ = fs::temp_directory_path() / ("paths-" + std::to_string(::getpid()));
    void SetUp() override {
        fs::create_directories(root_ / "Install" / "Sub");
        std::ofstream(root_ / "Install" / "set.ini") << "[Install]\n";
        fs::create_directory_symlink(root_ / "Install", root_ / "link");
    }
    void TearDown() override { fs::remove_all(root_); }
};

TEST_F(PathsTest, FindsFilesWhoseNameDiffersOnlyInCase) {
    struct Case {
        std::string asked;
        std::optional<std::string> found;
    };
    const std::string base = root_.string();
    const Case cases[] = {
        {.asked = base + "/Install/set.ini", .found = base + "/Install/set.ini"},
        {.asked = base + "/Install/Set.ini", .found = base + "/Install/set.ini"},
        {.asked = base + "/INSTALL/SET.INI", .found = base + "/Install/set.ini"},
        {.asked = base + "/install/sub", .found = base + "/Install/Sub"},
        {.asked = base + "/Install/setup.ini", .found = std::nullopt},
        {.asked = base + "/Missing/set.ini", .found = std::nullopt},
        {.asked = "", .found = std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::FindPathIgnoringCase(c.asked), c.found) << c.asked;
}

TEST_F(PathsTest, SameFolderDespiteSpelling) {
    struct Case {
        std::string first, second;
        bool same;
    };
    const std::string base = root_.string();
    const Case cases[] = {
        {.first = base + "/Install", .second = base + "/Install/", .same = true},
        {.first = base + "/Install", .second = base + "/Install/./Sub/..", .same = true},
        {.first = base + "/Install", .second = base + "/link", .same = true},
        {.first = base + "/Install/Quorvane", .second = base + "/link/Quorvane/", .same = true},  // not yet created
        {.first = base + "/Install", .second = base + "/install", .same = false},
        {.first = base + "/Install", .second = base + "/Install/Sub", .same = false},
        {.first = base + "/Install", .second = "", .same = false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::IsSameFolder(c.first, c.second), c.same) << c.first << " vs " << c.second;
}

TEST(SpecialFolders, MapOntoXdgFoldersAndOverrides) {
    using platform::ScopedEnvironmentVariable;
    using platform::SpecialFolder;
    ScopedEnvironmentVariable home("HOME", "/home/tester");
    ScopedEnvironmentVariable data("XDG_DATA_HOME", std::nullopt);
    ScopedEnvironmentVariable appdata("APPDATA", std::nullopt);
    ScopedEnvironmentVariable program_files("QUORVANE_PROGRAM_FILES", std::nullopt);
    ScopedEnvironmentVariable tmpdir("TMPDIR", std::nullopt);
    EXPECT_EQ(platform::GetSpecialFolder(SpecialFolder::AppData), "/home/tester/.local/share");
    EXPECT_EQ(platform::GetWindowsEnvironmentVariable("APPDATA"), "/home/tester/.local/share");
    EXPECT_EQ(platform::GetSpecialFolder(SpecialFolder::Temp), "/tmp");
    EXPECT_EQ(platform::ConfigHome(), "/home/tester/.config");
    EXPECT_EQ(platform::GetSpecialFolder(SpecialFolder::ProgramFilesX86),
              ::geteuid() == 0 ? "/opt" : "/home/tester/.local/share");
    {
        ScopedEnvironmentVariable relative("XDG_DATA_HOME", "relative/ignored");
        EXPECT_EQ(platform::GetSpecialFolder(SpecialFolder::CommonDocuments), "/home/tester/.local/share");
    }
    ScopedEnvironmentVariable data_set("XDG_DATA_HOME", "/data/");
    ScopedEnvironmentVariable appdata_set("APPDATA", "/roaming");
    ScopedEnvironmentVariable program_files_set("QUORVANE_PROGRAM_FILES", "/programs");
    ScopedEnvironmentVariable tmpdir_set("TMPDIR", "/scratch/");
    EXPECT_EQ(platform::GetSpecialFolder(SpecialFolder::AppData), "/roaming");
    EXPECT_EQ(platform::GetSpecialFolder(SpecialFolder::LocalAppData), "/data");
    EXPECT_EQ(platform::GetSpecialFolder(SpecialFolder::CommonDocuments), "/data");
    EXPECT_EQ(platform::GetSpecialFolder(SpecialFolder::ProgramFiles), "/programs");
    EXPECT_EQ(platform::GetWindowsEnvironmentVariable("TEMP"), "/scratch");
}

}  // namespace
