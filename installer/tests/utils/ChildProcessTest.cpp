#include "utils/ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/process_info.h"
#include "utils/Exception.h"

namespace {

namespace fs = std::filesystem;

std::size_t OpenHandleCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

std::string ReadAllOutput(Utils::ChildProcess& child) {
    std::string text;
    char buffer[1024];
    while (auto n = child.ReadOutput(buffer, sizeof buffer)) {
        if (*n == 0) break;
        text.append(buffer, *n);
    }
    return text;
}

TEST(ChildProcess, RunsAChildAndReadsOnlyItsStandardOutput) {
    Utils::ChildProcess child;
    child.Start("/bin/sh -c \"echo to-error >&2; printf 'line 1\\nline 2\\n'; exit 3\"");
    EXPECT_NE(child.ProcessId(), 0u);
    EXPECT_EQ(ReadAllOutput(child), "line 1\nline 2\n");
    EXPECT_EQ(child.Wait(), 3u);
    EXPECT_FALSE(child.IsRunning());
    EXPECT_EQ(child.ExitCode(), 3u);
}

TEST(ChildProcess, StandardErrorIsReadOnItsOwn) {
    Utils::ChildProcess child;
    child.Start("/bin/sh -c \"echo to-output; echo to-error >&2\"");
    EXPECT_EQ(child.Wait(), 0u);
    ASSERT_EQ(child.ErrorBytesAvailable(), 9u);
    char buffer[64];
    auto n = child.ReadError(buffer, sizeof buffer);
    ASSERT_TRUE(n.has_value());
    EXPECT_EQ(std::string(buffer, *n), "to-error\n");
    EXPECT_EQ(child.ErrorBytesAvailable(), 0u);
    EXPECT_EQ(ReadAllOutput(child), "to-output\n");
}

TEST(ChildProcess, StandardInputComesFromUs) {
    Utils::ChildProcess child;
    child.Start("/bin/sh -c \"read line; echo got:$line\"");
    std::string line = "hello\n";
    ASSERT_TRUE(child.WriteInput(line.data(), line.size()));
    EXPECT_EQ(ReadAllOutput(child), "got:hello\n");
    EXPECT_EQ(child.Wait(), 0u);
}

TEST(ChildProcess, ChildGetsOnlyItsThreeStandardHandles) {
    Utils::Pipe unrelated;  // must not leak into the child
    Utils::ChildProcess child;
    child.Start("/bin/sh -c \"ls /proc/$$/fd\"");
    EXPECT_EQ(ReadAllOutput(child), "0\n1\n2\n");
    child.Wait();
}

TEST(ChildProcess, StartsAReadableFileWithoutExecuteBitAndQuotedPath) {
    fs::path folder = fs::temp_directory_path() / ("child process " + std::to_string(platform::CurrentProcessId()));
    fs::create_directories(folder);
    fs::path script = folder / "package.exe";
    {
        std::ofstream out(script);
        out << "#!/bin/sh\nprintf 'args:%s|%s\\n' \"$1\" \"$2\"\n";
    }
    fs::permissions(script, fs::perms::owner_read | fs::perms::owner_write);
    Utils::ChildProcess child;
    child.Start("\"" + script.string() + "\" /S -instdir=\"C:\\a b\"");
    EXPECT_EQ(ReadAllOutput(child), "args:/S|-instdir=C:\\a b\n");
    EXPECT_EQ(child.Wait(), 0u);
    EXPECT_TRUE((fs::status(script).permissions() & fs::perms::owner_exec) != fs::perms::none);
    fs::remove_all(folder);
}

TEST(ChildProcess, PollsAndKillsARunningChild) {
    Utils::ChildProcess child;
    EXPECT_EQ(child.ExitCode(), Utils::ChildProcess::kStillActive);  // not started yet
    child.Start("/bin/sh -c \"echo ready; exec sleep 30\"");
    char buffer[16];
    auto n = child.ReadOutput(buffer, sizeof buffer);
    ASSERT_TRUE(n.has_value());
    EXPECT_EQ(std::string(buffer, *n), "ready\n");
    EXPECT_EQ(child.OutputBytesAvailable(), 0u);
    EXPECT_TRUE(child.IsRunning());
    EXPECT_TRUE(child.Kill());
    EXPECT_EQ(child.Wait(), 128u + 9u);
    EXPECT_FALSE(child.Kill());
}

TEST(ChildProcess, FailedStartThrowsAndCloseReleasesEveryHandleOnce) {
    struct Case {
        const char* name;
        std::string command_line;
    };
    const Case cases[] = {
        {.name = "missing program", .command_line = "/nonexistent/setup.exe /S"},
        {.name = "missing program in PATH", .command_line = "no-such-program-here /S"},
        {.name = "empty command line", .command_line = ""},
        {.name = "a folder", .command_line = "/tmp"},
        {.name = "too long to fit", .command_line = "/bin/true " + std::string(1014, 'x')},
    };
    for (const auto& c : cases) {
        std::size_t before = OpenHandleCount();
        auto child = std::make_unique<Utils::ChildProcess>();
        EXPECT_EQ(OpenHandleCount(), before + 6) << c.name;  // three pipes
        EXPECT_THROW(child->Start(c.command_line), Utils::Exception) << c.name;
        EXPECT_EQ(OpenHandleCount(), before + 6) << c.name;  // the child's ends stay ours after a failure
        child->Close();
        EXPECT_EQ(OpenHandleCount(), before) << c.name;

        // A file opened now takes one of the freed numbers; a second close of a
        // pipe end by the destructor would close it under our feet.
        std::FILE* probe = std::tmpfile();
        ASSERT_NE(probe, nullptr);
        child.reset();
        EXPECT_GE(std::fputs("still open", probe), 0);
        EXPECT_EQ(std::fflush(probe), 0) << c.name;
        std::fclose(probe);
        EXPECT_EQ(OpenHandleCount(), before) << c.name;
    }
}

TEST(ChildProcess, LongestCommandLineThatFitsStillStarts) {
    Utils::ChildProcess child;
    std::string line = "/bin/echo " + std::string(1013, 'x');  // 1023 characters
    ASSERT_EQ(line.size(), Utils::ChildProcess::kMaxCommandLine);
    child.Start(line);
    EXPECT_EQ(ReadAllOutput(child), std::string(1013, 'x') + "\n");
    child.Wait();
}

TEST(ChildProcess, SuccessfulRunLeavesNoHandleBehind) {
    std::size_t before = OpenHandleCount();
    {
        Utils::ChildProcess child;
        child.Start("/bin/true");
        EXPECT_EQ(OpenHandleCount(), before + 3);  // our ends only
        child.Wait();
    }
    EXPECT_EQ(OpenHandleCount(), before);
}

}  // namespace
