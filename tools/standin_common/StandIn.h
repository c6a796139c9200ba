#pragma once
// Small helpers shared by the stand-in setup package, uninstaller and product:
// argument look-up in the Windows-style command lines the installer builds,
// unbuffered status lines on standard output, and file helpers.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

// The program's arguments (argv[1..]).
std::vector<std::string> Arguments(int argc, char** argv);

// The value after `prefix` in the first argument that starts with it.
std::optional<std::string> ValueOf(const std::vector<std::string>& args, std::string_view prefix);

// A trailing, unquoted folder ("/D=" or "_?="): the installer puts it last and
// does not quote it, so a folder with blanks arrives split over several
// arguments; they are joined again with single blanks.
std::optional<std::string> TrailingValueOf(const std::vector<std::string>& args, std::string_view prefix);

// Writes the bytes to standard output in one write, unbuffered, so each call
// reaches the reader as soon as possible. Broken pipes are ignored.
void Write(std::string_view bytes);
// Writes `line` followed by "\n".
void Line(std::string_view line);

void SleepMs(int ms);

// The stand-in's own file, as the kernel knows it.
std::filesystem::path OwnExecutable();

bool WriteFile(const std::filesystem::path& path, std::string_view bytes, bool executable);
std::optional<std::string> ReadFile(const std::filesystem::path& path);

// A value from a profile file ("key=value" below "[section]"), enough for the
// files the stand-ins write themselves.
std::optional<std::string> ProfileValue(const std::filesystem::path& file, std::string_view section,
                                        std::string_view key);

// Blocks until SIGTERM, SIGINT or SIGHUP arrives, or until `limit` has passed
// (zero: no limit).
void WaitUntilClosed(std::chrono::milliseconds limit);

// Writes `bytes` bytes of log-like noise to standard error, as a program that
// logs much there does. Gives up when nobody has read the pipe for `limit`
// (so a test of a reader that ignores standard error fails instead of
// hanging); false then.
bool FloodStandardError(std::size_t bytes, std::chrono::milliseconds limit);

// Prints the common noisy scenarios: invalid UTF-8, NUL bytes, a 1 MB line,
// a long run without line feeds and 100,000 short lines.
void Flood();

}  // namespace standin
