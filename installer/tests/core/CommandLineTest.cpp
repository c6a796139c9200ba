#include <gtest/gtest.h>

#include "core/CommandLine.h"

namespace {

TEST(SplitCommandLine, KeysAndValuesFirstOccurrenceWins) {
    struct Case {
        const char* line;
        SwitchMap expect;
    } cases[] = {
        {.line = "", .expect = {}},
        {.line = "C:\\setup.exe", .expect = {{"C:\\setup.exe", ""}}},
        {.line = "\"C:\\My Apps\\setup.exe\" -a=1", .expect = {{"C:\\My Apps\\setup.exe", ""}, {"-a", "1"}}},
        {.line = "p -a=1 -a=2 -A=3", .expect = {{"p", ""}, {"-a", "1"}, {"-A", "3"}}},
        {.line = "p -a=x=y -b= -c", .expect = {{"p", ""}, {"-a", "x=y"}, {"-b", ""}, {"-c", ""}}},
        {.line = "p -c -c=late", .expect = {{"p", ""}, {"-c", ""}}},
        {.line = "p plain=1 /s=2 =3", .expect = {{"p", ""}, {"plain=1", ""}, {"/s=2", ""}, {"=3", ""}}},
        {.line = "p \"-instcmd=/D=C:\\a b\\\\\" \"\"", .expect = {{"p", ""}, {"-instcmd", "/D=C:\\a b\\"}, {"", ""}}},
        {.line = "p -=v", .expect = {{"p", ""}, {"-", "v"}}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.expect) << c.line;
}

}  // namespace
