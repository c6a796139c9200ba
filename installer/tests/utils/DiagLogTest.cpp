#include "utils/DiagLog.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

std::string Format(unsigned pid, unsigned tid, const std::string& place, int line, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string record = diag_log_detail::FormatRecord(pid, tid, place, line, format, args);
    va_end(args);
    return record;
}

TEST(DiagLogPlace, DerivedFromPrettyFunction) {
    struct Case {
        const char* signature;
        const char* place;
    } cases[] = {
        {"void CMTCurlDownloader::downloadExe(int)", "CMTCurlDownloader::downloadExe"},
        {"static uint32_t Utils::Thread::CallBack(const Callable&, void*, const std::string&)",
         "Utils::Thread::CallBack"},
        {"virtual void CCurlDownloader::Start()", "CCurlDownloader::Start"},
        {"CDownloadInstaller::Start()::<lambda(int, double, const char*)>",
         "CDownloadInstaller::Start::<lambda>::operator ()"},
        {"std::string Foo<T>::bar() const [with T = int; std::string = std::__cxx11::basic_string<char>]",
         "Foo<T>::bar"},
        {"const std::vector<int>& Holder::items() const", "Holder::items"},
        {"Foo::~Foo()", "Foo::~Foo"},
        {"bool Functor::operator()(int) const", "Functor::operator()"},
        {"int main()", "main"},
    };
    for (const auto& c : cases) EXPECT_EQ(diag_log_detail::PlaceFromSignature(c.signature), c.place) << c.signature;
}

TEST(DiagLogRecord, PrefixPaddingAndLineEnds) {
    std::regex prefix(R"(^<P00123><T04567><\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3}>\(A::b\)<0049>: )");
    std::string record = Format(123, 4567, "A::b", 49, "value %d", 7);
    EXPECT_TRUE(std::regex_search(record, prefix)) << record;
    EXPECT_TRUE(record.ends_with("value 7\r\n"));

    EXPECT_NE(Format(1234567, 42, "f", 12345, "x").find("<P1234567><T00042>"), std::string::npos);
    EXPECT_NE(Format(1, 1, "f", 12345, "x").find("<12345>: x"), std::string::npos);
    EXPECT_TRUE(Format(1, 1, "f", 1, "100%%").ends_with(">: 100%\r\n"));
    EXPECT_TRUE(Format(1, 1, "f", 1, "DL_CODE_START\r\n").ends_with("DL_CODE_START\r\n"));
    EXPECT_FALSE(Format(1, 1, "f", 1, "DL_CODE_START\r\n").ends_with("\r\n\r\n"));
    EXPECT_TRUE(Format(1, 1, "f", 1, " %dM %dM   progress:%f%%  speed:%f \n", 1, 2, 3.0, 4.0).ends_with(" \n"));
    EXPECT_FALSE(Format(1, 1, "f", 1, " %dM \n", 1).ends_with("\r\n"));
}

}  // namespace
