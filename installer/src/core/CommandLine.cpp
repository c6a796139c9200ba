#include "core/CommandLine.h"

#include "platform/command_line.h"

SwitchMap SwitchesFromArguments(const std::vector<std::string>& arguments) {
    SwitchMap switches;
    for (const std::string& token : arguments) {
        const std::size_t equals = token.find('=');
        if (token.starts_with('-') && equals != std::string::npos) {
            switches.emplace(token.substr(0, equals), token.substr(equals + 1));
        } else {
            switches.emplace(token, std::string());
        }
    }
    return switches;
}

SwitchMap SplitCommandLine(const std::string& command_line) {
    return SwitchesFromArguments(platform::SplitWindowsCommandLine(command_line));
}
