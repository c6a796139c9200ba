#pragma once
// Command-line switches: tokens "-key=value" become (key, value) pairs.
// Pure functions, safe from any thread.
#include <map>
#include <string>
#include <vector>

// Switch key ("-downloadurl", leading dash included) to its value.
using SwitchMap = std::map<std::string, std::string>;

// One pair per token, in order, the first occurrence of a key winning. A token
// that begins with "-" and holds "=" splits at its first "="; any other token
// is a key with an empty value (so a bare "-instcmd" is present, and empty).
// Keys are case-sensitive.
SwitchMap SwitchesFromArguments(const std::vector<std::string>& arguments);

// The same for a whole command line, split by the Windows quoting rules; the
// first token is the program itself.
SwitchMap SplitCommandLine(const std::string& command_line);
