#pragma once
// Stage codes through which the pipeline reports to its owner (the main window),
// and the callback that carries them. The download codes 1001-1006 are the
// engines' own (Downloader.h); the others are raised by the two runners.
#include <cstdint>
#include <functional>

#include "download/Downloader.h"

enum : std::int32_t {
    IST_CODE_START = 2001,
    IST_CODE_PROGRESS = 2002,
    INSTALL_SUCCESS = 2003,
    IST_CODE_FAIL = 2004,

    // Information announced by the setup package; 3006 is not used.
    IST_INFO_INST_PATH = 3000,
    IST_INFO_EXE_PATH = 3001,
    IST_INFO_UNINST_EXE = 3002,
    IST_INFO_UNINST_EP = 3003,
    IST_INFO_START_URL = 3004,
    IST_INFO_STARTUP_STYLE = 3005,
    IST_INFO_TOP_SHOW_DETENTION = 3007,
    IST_INFO_FINISH_CLOSE_DETENTION = 3008,
    IST_INFO_MESSAGE = 3009,

    UNIST_CODE_START = 5001,  // reserved: the uninstaller runner begins with 5002
    UNIST_CODE_PROGRESS = 5002,
    UNIST_CODE_SUCCESS = 5003,
    UNIST_CODE_FAIL = 5004,
    UNIST_CODE_ERROR = 5005,
};

// (code, progress, message). For failure codes the progress carries a failure
// number. The message (UTF-8, never null) is valid only during the call; the
// callback runs on worker threads and must copy what it keeps.
using StageCallback = std::function<void(std::int32_t code, double progress, const char* message)>;
