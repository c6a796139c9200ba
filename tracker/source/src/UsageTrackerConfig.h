#pragma once
// What the program tells the tracker about itself when it starts it.
// Texts are 8-bit, UTF-8 expected (others are taken as the system code page).
#include <string>

#include "QxEnums.h"

namespace tessavon::tracking {

struct UsageTrackerConfig {
    std::string appName;     // required
    std::string appVersion;  // required
    std::string appStore;    // distribution channel; required
    std::string dlAppId;     // the application being downloaded; may be empty
    std::string dlAppVersion;
    std::string logFilePath;  // empty: "<appName>_QXSLog.txt" in the local folder
    QxEdition edition = QxEdition::china;
    std::string serverUrl;  // empty: the maker's collector
};

}  // namespace tessavon::tracking
