#include "platform/command_line.h"

namespace platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitWindowsCommandLine(const std::string& command_line) {
    std::vector<std::string> tokens;
    const std::size_t size = command_line.size();
    std::size_t i = 0;
    while (i < size && IsBlank(command_line[i])) ++i;
    if (i == size) return tokens;

    // The program path knows no escapes: a path cannot contain a quote.
    std::string program;
    if (command_line[i] == '"') {
        ++i;
        while (i < size && command_line[i] != '"') program += command_line[i++];
        if (i < size) ++i;  // the closing quote
    } else {
        while (i < size && !IsBlank(command_line[i])) program += command_line[i++];
    }
    tokens.push_back(std::move(program));
    while (i < size && IsBlank(command_line[i])) ++i;

    std::string current;
    bool started = false;  // a token is open (it may still be empty: "")
    int quotes = 0;        // quotes seen in the current run; odd = inside quotes
    std::size_t backslashes = 0;
    while (i < size) {
        const char c = command_line[i];
        if (IsBlank(c) && quotes == 0) {
            tokens.push_back(std::move(current));
            current.clear();
            started = false;
            backslashes = 0;
            while (i < size && IsBlank(command_line[i])) ++i;
            continue;
        }
        started = true;
        if (c == '\\') {
            current += c;
            ++backslashes;
            ++i;
            continue;
        }
        if (c != '"') {
            current += c;
            backslashes = 0;
            ++i;
            continue;
        }
        // A quote: the backslashes before it were copied literally; keep half.
        current.resize(current.size() - backslashes / 2 - (backslashes % 2));
        if (backslashes % 2 == 1) {
            current += '"';
        } else {
            ++quotes;
        }
        backslashes = 0;
        ++i;
        if (quotes == 0) continue;  // an escaped quote outside quotes: nothing to count
        // A run of quotes: every third quote of a run is a literal one and leaves
        // quoting, which makes "" inside quotes a literal quote.
        while (i < size && command_line[i] == '"') {
            if (++quotes == 3) {
                current += '"';
                quotes = 0;
            }
            ++i;
        }
        if (quotes == 2) quotes = 0;
    }
    if (started) tokens.push_back(std::move(current));
    return tokens;
}

std::string QuoteWindowsArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) return argument;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            // Backslashes before a quote are doubled, and one more escapes the quote.
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        backslashes = 0;
        quoted += c;
    }
    // Trailing backslashes come right before the closing quote: double them.
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

std::string BuildWindowsCommandLine(const std::vector<std::string>& argv) {
    std::string line;
    for (std::size_t n = 0; n < argv.size(); ++n) {
        if (n == 0) {
            const bool needs_quotes = argv[0].empty() || argv[0].find_first_of(" \t") != std::string::npos;
            line += needs_quotes ? "\"" + argv[0] + "\"" : argv[0];
        } else {
            line += ' ';
            line += QuoteWindowsArgument(argv[n]);
        }
    }
    return line;
}

}  // namespace platform
