#pragma once
// Settings every libcurl transfer of the engines gets, and readings of a transfer.
#include <curl/curl.h>

#include <cstdio>
#include <memory>

namespace download {

// libcurl's receive buffer for package transfers: larger than its default so
// that a fast link costs fewer reads and writes.
constexpr long kReceiveBufferSize = 256 * 1024;

// libcurl hands received bytes over in pieces of at most 16 KiB, which a
// default stdio buffer turns into two write calls each; a file that takes a
// package gets a buffer this large instead, so it is written in few, large
// calls. Call before the first read or write on `file`; the answer is the
// buffer, which must outlive the stream (null when `file` is null).
std::unique_ptr<char[]> UseLargeWriteBuffer(std::FILE* file);

// HTTPS peers and host names are always verified: the downloaded program is
// run with administrator rights. QUORVANE_CA_BUNDLE names a PEM file of
// certificate authorities to trust instead of the system's (used by tests).
// Answers false when libcurl refuses one of the settings.
bool ApplyTransferSecurity(CURL* handle);

// A peer that sends nothing for `seconds` ends the transfer with a time-out
// instead of holding the engine for ever.
bool ApplyStallLimit(CURL* handle, long seconds);

// The Content-Length of the last answer; `fallback` when unknown or unreadable.
double ContentLengthOf(CURL* handle, double fallback, CURLcode* read_result = nullptr);
// Average download speed in bytes per second so far.
double SpeedOf(CURL* handle);

}  // namespace download
