#pragma once
// Who runs the installer and who sits at the machine.
//
// Environment overrides, for tests:
//   QUORVANE_PROCESS_ADMIN   "1"/"0": whether this process has administrator rights
//   QUORVANE_ADMIN_ACCOUNTS  comma-separated user names that count as
//                            administrator accounts (every other name does not)
//   QUORVANE_CONSOLE_USER    the user name at the console ("" = nobody / query fails)
#include <optional>
#include <string>

namespace platform {

// Whether this process runs with administrator rights (effective user root).
bool ProcessHasAdminRights();

// Whether the named local account is an administrator account: root, or a
// member of the "sudo", "wheel" or "admin" group. Empty when there is no such
// account.
std::optional<bool> IsAdministratorAccount(const std::string& user_name);

// The user of the active session on the local seat, else the login name of
// this process. Empty when neither is known.
std::optional<std::string> ConsoleUserName();

}  // namespace platform
