#pragma once
// Windows command lines: one text that a child process splits into arguments.
// Splitting follows the rules of the system's standard argument splitter, so a
// command line built for a Windows program means the same thing here; quoting is
// its exact reverse. Pure functions, safe from any thread.
#include <string>
#include <vector>

namespace platform {

// Splits `command_line` into arguments.
// - The first token (the program) is special: when it starts with a quote it runs
//   to the next quote with no escapes; otherwise it ends at the first blank.
// - In later tokens, blanks (space, tab) outside quotes separate tokens;
//   2n backslashes + quote give n backslashes and toggle quoting; 2n+1 backslashes
//   + quote give n backslashes and a literal quote; other backslashes are literal;
//   a doubled quote inside quotes gives a literal quote; "" alone is an empty token.
// An empty or all-blank text gives no tokens.
std::vector<std::string> SplitWindowsCommandLine(const std::string& command_line);

// Quotes one argument (not the program) so that SplitWindowsCommandLine gives it
// back unchanged. Arguments without blanks or quotes, and not empty, stay as they are.
std::string QuoteWindowsArgument(const std::string& argument);

// Builds a whole command line from a program path and its arguments. The program
// is wrapped in quotes when it holds a blank (a program path cannot hold a quote).
std::string BuildWindowsCommandLine(const std::vector<std::string>& argv);

}  // namespace platform
