#pragma once
// Small text helpers shared by the engines.
#include <string>

namespace download {

// The path segment just before the file name: the text between the last two
// "/" of the URL; "" when it has fewer than two.
std::string Md5SegmentOf(const std::string& url);

bool IsFileUrl(const std::string& url);

// libcurl's text for one of its result codes.
std::string CurlErrorText(int code);

}  // namespace download
