#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Tokens = std::vector<std::string>;

TEST(SplitWindowsCommandLine, FollowsTheStandardSplitterRules) {
    struct Case {
        const char* line;
        Tokens expect;
    } cases[] = {
        {.line = "", .expect = {}},
        {.line = "  \t ", .expect = {}},
        {.line = "prog", .expect = {"prog"}},
        {.line = "prog a b", .expect = {"prog", "a", "b"}},
        {.line = "prog  a\t\tb  ", .expect = {"prog", "a", "b"}},
        // The program ends at the next quote, with no escapes, and the next token
        // starts right after it.
        {.line = R"("C:\Program Files\a.exe" x)", .expect = {R"(C:\Program Files\a.exe)", "x"}},
        {.line = R"("C:\dir\"rest)", .expect = {R"(C:\dir\)", "rest"}},
        {.line = R"(C:\dir\a"b c)", .expect = {R"(C:\dir\a"b)", "c"}},
        {.line = R"("unterminated program)", .expect = {"unterminated program"}},
        // Quoting inside arguments.
        {.line = R"(p "a b" c)", .expect = {"p", "a b", "c"}},
        {.line = R"(p a" "b)", .expect = {"p", "a b"}},
        {.line = R"(p "open ended)", .expect = {"p", "open ended"}},
        // Backslashes: literal unless before a quote.
        {.line = R"(p a\b c\\d\\\)", .expect = {"p", R"(a\b)", R"(c\\d\\\)"}},
        {.line = R"(p a\\"b c")", .expect = {"p", R"(a\b c)"}},
        {.line = R"(p a\"b)", .expect = {"p", R"(a"b)"}},
        {.line = R"(p a\\\"b)", .expect = {"p", R"(a\"b)"}},
        {.line = R"(p "a\\" b)", .expect = {"p", R"(a\)", "b"}},
        {.line = R"(p -instcmd="/D=C:\dir\\" x)", .expect = {"p", R"(-instcmd=/D=C:\dir\)", "x"}},
        // Empty tokens and doubled quotes.
        {.line = R"(p "" b)", .expect = {"p", "", "b"}},
        {.line = R"(p "")", .expect = {"p", ""}},
        {.line = R"(p """")", .expect = {"p", "\""}},
        {.line = R"(p "a""b")", .expect = {"p", R"(a"b)"}},
        {.line = R"(p """)", .expect = {"p", "\""}},
        {.line = R"(p "a"" b")", .expect = {"p", R"(a")", "b"}},
        {.line = R"(p "a\"" b)", .expect = {"p", R"(a")", "b"}},
        {.line = R"(p -k="v w" -x)", .expect = {"p", "-k=v w", "-x"}},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::SplitWindowsCommandLine(c.line), c.expect) << c.line;
}

TEST(QuoteWindowsArgument, LeavesPlainArgumentsAlone) {
    EXPECT_EQ(platform::QuoteWindowsArgument("plain"), "plain");
    EXPECT_EQ(platform::QuoteWindowsArgument(R"(C:\dir\)"), R"(C:\dir\)");
    EXPECT_EQ(platform::QuoteWindowsArgument(""), R"("")");
    EXPECT_EQ(platform::QuoteWindowsArgument("a b"), R"("a b")");
    EXPECT_EQ(platform::QuoteWindowsArgument(R"(C:\a b\)"), R"("C:\a b\\")");
}

TEST(QuoteWindowsArgument, SplittingABuiltLineGivesTheArgumentsBack) {
    const Tokens argv = {
        "/opt/Quorvane Setup/pkg.exe",
        "/S",
        "",
        "a b",
        "tab\there",
        R"(quote"inside)",
        R"(\"already)",
        R"(trail\)",
        R"(trail two\\)",
        R"(C:\dir with space\)",
        R"(""")",
        R"(\\server\share)",
        "ünïcode ✓",
        "line\nbreak",
    };
    EXPECT_EQ(platform::SplitWindowsCommandLine(platform::BuildWindowsCommandLine(argv)), argv);
}

}  // namespace
