#include "platform/process_snapshot.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

// A name longer than the kernel's 15-byte short name, so only the executable's
// own name can match it.
TEST(ProcessSnapshot, FindsARunningProcessByItsFullFileName) {
    fs::path folder = fs::temp_directory_path() / ("snapshot-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    fs::path program = folder / "Quorvane_un_asa.exe";
    fs::copy_file("/bin/sleep", program);
    pid_t child = ::fork();
    if (child == 0) {
        // argv[0] deliberately differs: the executable's name wins.
        ::execl(program.c_str(), "something-else", "30", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::optional<std::uint32_t> found;
    for (int attempt = 0; attempt < 200 && !found; ++attempt) {
        auto snapshot = platform::SnapshotProcesses();
        ASSERT_TRUE(snapshot.has_value());
        for (const auto& entry : *snapshot) {
            if (entry.file_name == "Quorvane_un_asa.exe") found = entry.id;
        }
        if (!found) ::usleep(10000);  // until the child has replaced its image
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    fs::remove_all(folder);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, static_cast<std::uint32_t>(child));

    auto snapshot = platform::SnapshotProcesses();
    ASSERT_TRUE(snapshot.has_value());
    bool self_listed = false;
    for (const auto& entry : *snapshot) {
        EXPECT_FALSE(entry.file_name.empty());
        EXPECT_EQ(entry.file_name.find('/'), std::string::npos);
        if (entry.id == static_cast<std::uint32_t>(::getpid())) self_listed = entry.file_name == "platform_tests";
    }
    EXPECT_TRUE(self_listed);
}

}  // namespace
