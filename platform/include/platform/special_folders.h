#pragma once
// The folders a Windows program asks the shell for, and the Windows
// environment variables that name folders, mapped onto the user's XDG folders:
//
//   AppData, LocalAppData  $APPDATA / $LOCALAPPDATA when set, else the data home
//   ProgramFiles(X86)      $QUORVANE_PROGRAM_FILES when set, else /opt for root,
//                          else the data home (a normal user must be able to
//                          install without root)
//   CommonDocuments        the data home
//   Temp                   $TMPDIR, else /tmp
// The data home is $XDG_DATA_HOME, else ~/.local/share; the config home
// $XDG_CONFIG_HOME, else ~/.config (~ is $HOME, else the account's home).
// Paths come without a trailing separator. Read on every call.
#include <optional>
#include <string>

namespace platform {

enum class SpecialFolder { AppData, LocalAppData, ProgramFiles, ProgramFilesX86, CommonDocuments, Temp };

// The folder's path; empty when it cannot be determined (no home folder).
std::optional<std::string> GetSpecialFolder(SpecialFolder folder);

// A variable as a Windows program would see it: "APPDATA" and "LOCALAPPDATA"
// always have a value (see above), "TEMP" and "TMP" name the temp folder, any
// other name is the process environment's.
std::optional<std::string> GetWindowsEnvironmentVariable(const std::string& name);

std::string DataHome();
std::string ConfigHome();
std::string HomeFolder();

}  // namespace platform
