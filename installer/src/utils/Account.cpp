#include "utils/Account.h"

#include "platform/account.h"

namespace Utils {

bool IsUserAdmin() { return platform::ProcessHasAdminRights(); }

bool IsAdministratorAccount(const std::string& user_name) {
    return platform::IsAdministratorAccount(user_name).value_or(false);
}

bool GetConsoleUserName(std::string& name) {
    auto user = platform::ConsoleUserName();
    if (!user) return false;
    name = *user;
    return true;
}

}  // namespace Utils
