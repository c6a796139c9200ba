#pragma once
// Account queries for the package's command line. Each answers false on any
// failure and never throws.
#include <string>

namespace Utils {

// Whether this process runs with administrator rights.
bool IsUserAdmin();
// Whether the named local account is an administrator account.
bool IsAdministratorAccount(const std::string& user_name);
// The user at the console; false (and `name` untouched) when unknown.
bool GetConsoleUserName(std::string& name);

}  // namespace Utils
