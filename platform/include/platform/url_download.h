#pragma once
// The system download service: fetches a URL synchronously into a file and
// tells a status callback how far it got; the callback can cancel by its answer.
// Results are HRESULT-like 32-bit values (S_OK = 0, failures negative).
//
// The file appears at the target path only when the download is complete: it is
// received into a temporary file beside the target and moved into place at the end.
// HTTPS peers are always verified; QUORVANE_CA_BUNDLE names a PEM file of
// certificate authorities to trust instead of the system's.
#include <cstdint>
#include <string>

namespace platform {

constexpr std::int32_t kUrlOk = 0;
constexpr std::int32_t kUrlAborted = static_cast<std::int32_t>(0x80004004u);         // E_ABORT
constexpr std::int32_t kUrlFailed = static_cast<std::int32_t>(0x80004005u);          // E_FAIL
constexpr std::int32_t kUrlAccessDenied = static_cast<std::int32_t>(0x80070005u);    // E_ACCESSDENIED
constexpr std::int32_t kUrlInvalidUrl = static_cast<std::int32_t>(0x800C0002u);      // INET_E_INVALID_URL
constexpr std::int32_t kUrlCannotConnect = static_cast<std::int32_t>(0x800C0004u);   // INET_E_CANNOT_CONNECT
constexpr std::int32_t kUrlNotFound = static_cast<std::int32_t>(0x800C0005u);        // INET_E_RESOURCE_NOT_FOUND
constexpr std::int32_t kUrlConnectionTimeout = static_cast<std::int32_t>(0x800C000Bu);  // INET_E_CONNECTION_TIMEOUT
constexpr std::int32_t kUrlDownloadFailure = static_cast<std::int32_t>(0x800C0008u);  // INET_E_DOWNLOAD_FAILURE
constexpr std::int32_t kUrlSecurityProblem = static_cast<std::int32_t>(0x800C000Eu);  // INET_E_SECURITY_PROBLEM

// Status codes passed to OnProgress.
constexpr std::uint32_t kBindStatusBeginDownloadData = 4;
constexpr std::uint32_t kBindStatusDownloadingData = 5;
constexpr std::uint32_t kBindStatusEndDownloadData = 6;

class DownloadStatusCallback {
public:
    virtual ~DownloadStatusCallback() = default;
    // Called on the downloading thread, at most once a second while data
    // arrives. progress_max is 0 while the size is unknown. Any answer other than kUrlOk cancels the download (result kUrlAborted).
    virtual std::int32_t OnProgress(std::uint32_t progress, std::uint32_t progress_max, std::uint32_t status_code,
                                    const char* status_text) = 0;
};

// Downloads `url` (UTF-8; http, https or file) to `path`, replacing the file.
// `callback` may be null. Blocks until done; callable from any thread.
std::int32_t UrlDownloadToFile(const std::string& url, const std::string& path, DownloadStatusCallback* callback);

}  // namespace platform
