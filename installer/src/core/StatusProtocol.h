#pragma once
// The status protocol spoken by the setup package and the uninstaller on their
// standard output: "Key=value" lines turned into stage events.
//
// Bytes are fed as they arrive, in any chunking: the parser keeps the
// unfinished line until its line feed, so a line split over two reads behaves
// like the whole line. Each complete line is decoded from the code page in
// force when it starts ("Encode=" changes it for the lines after it). A line is
// cut at a NUL byte. At most kMaxLineBytes of a line are kept; a longer line
// still counts, with its text value empty (it would exceed the value limit).
// After the first decisive line (a "State=" of "Success"/"Fail", or "Error=")
// the run's outcome is settled and later output raises nothing.
// Not thread-safe: one reader drives one parser.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

enum class StatusChild { Package, Uninstaller };

struct StatusEvent {
    std::int32_t code = 0;
    double progress = 0;
    std::string message;
    bool operator==(const StatusEvent&) const = default;
};

struct InstalledVersion {
    std::uint32_t major = 0, minor = 0, patch = 0;
};

// Decodes bytes of the given code page (0 = the system's ANSI code page) to UTF-8.
using CodePageDecoder = std::function<std::string(std::string_view bytes, std::uint32_t code_page)>;
using StatusSink = std::function<void(const StatusEvent&)>;

class StatusProtocol {
public:
    static constexpr std::size_t kMaxLineBytes = 4096;
    static constexpr std::size_t kMaxTextUnits = 771;  // counted in UTF-16 code units
    static constexpr std::uint32_t kUtf8CodePage = 65001;

    StatusProtocol(StatusChild child, CodePageDecoder decode);

    // Parses every line completed by `bytes`; events go to `sink` in order.
    void Feed(std::string_view bytes, const StatusSink& sink);
    // The output has ended: a last line without a line feed is parsed too.
    void Finish(const StatusSink& sink);

    bool Decided() const { return decided_; }
    std::uint32_t CodePage() const { return code_page_; }
    InstalledVersion Version() const { return version_; }

    // Value rules, exposed for tests.
    static double ParseProgress(std::string_view value);
    static std::uint32_t ParseInt(std::string_view value);
    static std::string_view Trim(std::string_view value);
    static std::size_t Utf16Length(std::string_view utf8);

private:
    void ParseLine(const std::string& raw, bool overlong, const StatusSink& sink);
    void ParsePackageLine(std::string_view line, bool overlong, const StatusSink& sink);
    void ParseUninstallerLine(std::string_view line, bool overlong, const StatusSink& sink);
    void Raise(std::int32_t code, double progress, std::string message, bool decisive, const StatusSink& sink);

    StatusChild child_;
    CodePageDecoder decode_;
    std::uint32_t code_page_ = 0;
    std::string pending_;
    bool pending_overlong_ = false;
    bool decided_ = false;
    InstalledVersion version_;
};
