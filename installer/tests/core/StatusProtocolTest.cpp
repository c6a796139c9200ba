#include "core/StatusProtocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/StageCodes.h"

namespace {

const std::string kGbkInstalled = "\xb0\xb2\xd7\xb0\xcd\xea\xb3\xc9";  // "安装完成" in code page 936

// Decodes just enough of code page 936 for the tests; every other code page
// passes the bytes through, so a wrong code page shows as raw GBK bytes.
std::string FakeDecode(std::string_view bytes, std::uint32_t code_page) {
    std::string text(bytes);
    if (code_page != 936) return text;
    for (auto at = text.find(kGbkInstalled); at != std::string::npos; at = text.find(kGbkInstalled))
        text.replace(at, kGbkInstalled.size(), "安装完成");
    return text;
}

using Events = std::vector<StatusEvent>;

struct Row {
    const char* name;
    StatusChild child;
    std::string input;
    Events expected;
};

const std::string k771(771, 'a');

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = {
        {.name = "one write with progress, folder and success",
         .child = StatusChild::Package,
         .input = "Progress=0.5\nInstPath=/opt/Q\nState=Success\n",
         .expected = {{IST_CODE_PROGRESS, 0.5, ""}, {IST_INFO_INST_PATH, 0, "/opt/Q"}, {INSTALL_SUCCESS, 0, ""}}},
        {.name = "no output", .child = StatusChild::Package, .input = "", .expected = {}},
        {.name = "unknown state value", .child = StatusChild::Package, .input = "State=Maybe\n", .expected = {}},
        {.name = "state trimmed, CRLF child",
         .child = StatusChild::Package,
         .input = "State= Fail \r\n",
         .expected = {{IST_CODE_FAIL, 0, "安装包安装失败"}}},
        {.name = "blanks around AutoStartup",
         .child = StatusChild::Package,
         .input = "StartupStyle=  AutoStartup \t\nStartupStyle=UserStartup\nStartupStyle=NonStartup\nStartupStyle=x\n",
         .expected = {{IST_INFO_STARTUP_STYLE, 1, ""},
                      {IST_INFO_STARTUP_STYLE, 2, ""},
                      {IST_INFO_STARTUP_STYLE, 0, ""},
                      {IST_INFO_STARTUP_STYLE, 0, ""}}},
        {.name = "negative delay arrives as unsigned",
         .child = StatusChild::Package,
         .input = "TopShowDetention=-1\nFinsihCloseDetention=3000\nTopShowDetention=\n",
         .expected = {{IST_INFO_TOP_SHOW_DETENTION, 4294967295.0, ""},
                      {IST_INFO_FINISH_CLOSE_DETENTION, 3000, ""},
                      {IST_INFO_TOP_SHOW_DETENTION, 0, ""}}},
        {.name = "package Encode=936 decodes the following lines",
         .child = StatusChild::Package,
         .input = "Message=" + kGbkInstalled + "\nEncode=936\nMessage=" + kGbkInstalled + "\n",
         .expected = {{IST_INFO_MESSAGE, 0, kGbkInstalled},
                      {IST_INFO_MESSAGE, 0, "安装完成"}}},
        {.name = "uninstaller Encode=936 means the ANSI code page",
         .child = StatusChild::Uninstaller,
         .input = "Encode=936\nError=" + kGbkInstalled + "\n",
         .expected = {{UNIST_CODE_ERROR, 0, kGbkInstalled}}},
        {.name = "empty and carriage-return text values",
         .child = StatusChild::Package,
         .input = "InstPath=\nExePath=/q/Quorvane.exe\r\n",
         .expected = {{IST_INFO_INST_PATH, 0, ""}, {IST_INFO_EXE_PATH, 0, "/q/Quorvane.exe\r"}}},
        {.name = "text value limit",
         .child = StatusChild::Package,
         .input = "Message=" + k771 + "\nMessage=" + k771 + "b\nMessage=" + std::string(770, 'a') + "\xe4\xb8\x80\n",
         .expected = {{IST_INFO_MESSAGE, 0, k771},
                      {IST_INFO_MESSAGE, 0, ""},
                      {IST_INFO_MESSAGE, 0, std::string(770, 'a') + "\xe4\xb8\x80"}}},
        {.name = "every information key",
         .child = StatusChild::Package,
         .input = "ExePath=a\nStartExe=b\nUninstExePath=c\nUninstExe=d\nUninstEp=e\nStartUrl=f\nMessage=g\n"
                  "InstallVersion=1.2.3\n",
         .expected = {{IST_INFO_EXE_PATH, 0, "a"},
                      {IST_INFO_EXE_PATH, 0, "b"},
                      {IST_INFO_UNINST_EXE, 0, "c"},
                      {IST_INFO_UNINST_EXE, 0, "d"},
                      {IST_INFO_UNINST_EP, 0, "e"},
                      {IST_INFO_START_URL, 0, "f"},
                      {IST_INFO_MESSAGE, 0, "g"}}},
        {.name = "keys are case-sensitive and start the line",
         .child = StatusChild::Package,
         .input = " State=Success\nstate=Success\nXProgress=1\nProgress =1\n",
         .expected = {}},
        {.name = "progress numbers",
         .child = StatusChild::Package,
         .input = "Progress=abc\nProgress= 0.25\nProgress=nan\nProgress=1e-1x\n",
         .expected = {{IST_CODE_PROGRESS, 0, ""},
                      {IST_CODE_PROGRESS, 0.25, ""},
                      {IST_CODE_PROGRESS, 0, ""},
                      {IST_CODE_PROGRESS, 0.1, ""}}},
        {.name = "error is decisive with its text",
         .child = StatusChild::Package,
         .input = "Error=disk full\nProgress=0.9\n",
         .expected = {{IST_CODE_FAIL, 1000, "disk full"}}},
        {.name = "only the first decisive line counts",
         .child = StatusChild::Package,
         .input = "State=Fail\nError=later\nState=Success\n",
         .expected = {{IST_CODE_FAIL, 0, "安装包安装失败"}}},
        {.name = "last line without a line feed",
         .child = StatusChild::Package,
         .input = "Progress=0.3\nState=Success",
         .expected = {{IST_CODE_PROGRESS, 0.3, ""}, {INSTALL_SUCCESS, 0, ""}}},
        {.name = "NUL cuts its line only",
         .child = StatusChild::Package,
         .input = std::string("Message=ab\0cd\nState=Success\n", 27),
         .expected = {{IST_INFO_MESSAGE, 0, "ab"}, {INSTALL_SUCCESS, 0, ""}}},
        {.name = "uninstaller success while it keeps writing",
         .child = StatusChild::Uninstaller,
         .input = "Progress=0.4\nState=Success\nProgress=1\nState=Fail\n",
         .expected = {{UNIST_CODE_PROGRESS, 0.4, ""}, {UNIST_CODE_SUCCESS, 0, ""}}},
        {.name = "uninstaller failure and package-only keys",
         .child = StatusChild::Uninstaller,
         .input = "InstPath=/x\nMessage=m\nStartupStyle=AutoStartup\nState=Fail\n",
         .expected = {{UNIST_CODE_ERROR, 0, "安装包卸载失败"}}},
        {.name = "uninstaller error text",
         .child = StatusChild::Uninstaller,
         .input = "Error=cancelled\n",
         .expected = {{UNIST_CODE_ERROR, 0, "cancelled"}}},
    };
    return rows;
}

Events Parse(const Row& row, const std::vector<std::string_view>& chunks) {
    StatusProtocol protocol(row.child, FakeDecode);
    Events events;
    auto sink = [&](const StatusEvent& event) { events.push_back(event); };
    for (auto chunk : chunks) protocol.Feed(chunk, sink);
    protocol.Finish(sink);
    return events;
}

TEST(StatusProtocol, EveryRowInEveryChunking) {
    for (const auto& row : Rows()) {
        std::string_view input = row.input;
        EXPECT_EQ(Parse(row, {input}), row.expected) << row.name << " (whole)";

        std::vector<std::string_view> lines;
        for (std::size_t start = 0; start < input.size();) {
            std::size_t end = std::min(input.find('\n', start), input.size() - 1) + 1;
            lines.push_back(input.substr(start, end - start));
            start = end;
        }
        EXPECT_EQ(Parse(row, lines), row.expected) << row.name << " (line by line)";

        std::vector<std::string_view> bytes;
        for (std::size_t i = 0; i < input.size(); ++i) bytes.push_back(input.substr(i, 1));
        EXPECT_EQ(Parse(row, bytes), row.expected) << row.name << " (byte by byte)";

        for (std::size_t split = 1; split < input.size(); ++split) {
            EXPECT_EQ(Parse(row, {input.substr(0, split), input.substr(split)}), row.expected)
                << row.name << " (split at " << split << ")";
        }
    }
}

TEST(StatusProtocol, EncodeChoosesTheCodePage) {
    struct Case {
        StatusChild child;
        const char* value;
        std::uint32_t code_page;
    };
    const Case cases[] = {
        {StatusChild::Package, "UTF8", 65001},        {StatusChild::Package, " 936 ", 936},
        {StatusChild::Package, "ACP", 0},             {StatusChild::Package, "GBK", 0},
        {StatusChild::Package, "99999999999", 0},     {StatusChild::Package, "-5", 0},
        {StatusChild::Uninstaller, "UTF8", 65001},    {StatusChild::Uninstaller, "936", 0},
    };
    for (const auto& c : cases) {
        StatusProtocol protocol(c.child, FakeDecode);
        protocol.Feed("Encode=UTF8\n", [](const StatusEvent&) {});
        protocol.Feed(std::string("Encode=") + c.value + "\n", [](const StatusEvent&) {});
        EXPECT_EQ(protocol.CodePage(), c.code_page) << c.value;
    }
}

TEST(StatusProtocol, InstallVersionIsKeptNotReported) {
    StatusProtocol protocol(StatusChild::Package, FakeDecode);
    int events = 0;
    protocol.Feed("InstallVersion=3.14.159\n", [&](const StatusEvent&) { ++events; });
    EXPECT_EQ(events, 0);
    EXPECT_EQ(protocol.Version().major, 3u);
    EXPECT_EQ(protocol.Version().minor, 14u);
    EXPECT_EQ(protocol.Version().patch, 159u);
}

// A child that writes megabytes without line feeds must not grow the parser's
// memory, and the lines after it must still count.
TEST(StatusProtocol, HugeLinesKeepMemoryBoundedAndLaterLinesCount) {
    StatusProtocol protocol(StatusChild::Package, FakeDecode);
    Events events;
    auto sink = [&](const StatusEvent& event) { events.push_back(event); };
    std::string block(1024, 'x');
    protocol.Feed("InstPath=", sink);
    for (int i = 0; i < 1024; ++i) protocol.Feed(block, sink);
    protocol.Feed("\nProgress=0.75", sink);
    for (int i = 0; i < 1024; ++i) protocol.Feed(block, sink);
    protocol.Feed("\nState=Success\n", sink);
    EXPECT_EQ(events, (Events{{IST_INFO_INST_PATH, 0, ""}, {IST_CODE_PROGRESS, 0.75, ""}, {INSTALL_SUCCESS, 0, ""}}));
}

}  // namespace
