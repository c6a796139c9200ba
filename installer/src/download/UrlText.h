#pragma once
// Small text helpers shared by the engines.
#include <string>

namespace download {

// The path segment just before the file name: the text between the last two
// "/" of the URL; "" when it has fewer than two.
std::string Md5SegmentOf(const std::string& url);

// MD5 of the whole file as 32 lower-case hex digits; "" when the path is empty
// or the file cannot be read.
std::string FileMd5(const std::string& path);

bool IsFileUrl(const std::string& url);

// libcurl's text for one of its result codes.
std::string CurlErrorText(int code);

}  // namespace download
