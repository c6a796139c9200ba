#pragma once
// The contract shared by the download engines.
//
// An engine is built with (callback, url, target path) and never reports from
// its constructor. Start() returns at once; the attempt runs on engine threads
// and reports through the callback, never on the caller's thread:
//   DL_CODE_START, any DL_CODE_PROGRESS (value in (0, 1]), any DL_CODE_NOTICE,
//   then exactly one of DL_CODE_SUCCESS, DL_CODE_FAIL or DL_CODE_RETRY.
// On DL_CODE_RETRY the owner calls Start() again at once, from inside the
// callback; engines accept that call on their own threads.
// Destroying an engine stops its transfers and waits for its threads; no report
// is made once destruction has begun.
#include <cstdint>
#include <functional>

enum : std::int32_t {
    DL_CODE_START = 1001,
    DL_CODE_PROGRESS = 1002,
    DL_CODE_SUCCESS = 1003,
    DL_CODE_FAIL = 1004,
    DL_CODE_RETRY = 1005,
    DL_CODE_NOTICE = 1006,
};

// (code, value, text). The text (UTF-8) is valid only during the call.
using DownloadCallback = std::function<void(std::int32_t code, double value, const char* text)>;

class CDownloader {
public:
    virtual ~CDownloader() = default;
    virtual void Start() = 0;
};
