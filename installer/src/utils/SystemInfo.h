#pragma once
// Which Windows the installer runs on, as a short name for reports and for
// picking the package route.
#include <string>

namespace Utils {

// family is always "Windows"; name is the short version name ("XP", "7",
// "10", ...), "XP-" when the version cannot be asked, or
// "major.minor.build" for a version the table does not know.
void GetOsName(std::string& family, std::string& name);

// The short name for given version numbers (exposed for tests).
std::string OsNameForVersion(unsigned major, unsigned minor, unsigned build, bool server_r2);

// True when the process is a 32-bit process on 64-bit Windows.
bool IsWow64();

}  // namespace Utils
