#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Where the settings live. The file beside the executable comes first; where that folder
// cannot be written (an install under /usr), the settings go to the user's configuration
// folder instead and are read from there on later starts.
namespace settings {

struct SettingsFiles {
    std::string beside;  // the file beside the executable (AppValues::IniPath)
    std::string user;    // the user's file; empty when there is no home folder
    bool operator==(const SettingsFiles&) const = default;
};

// $XDG_CONFIG_HOME/tonquell/tonquell.ini, or ~/.config/tonquell/tonquell.ini when the variable
// is unset, empty or not absolute. Empty when no home folder is known.
std::string UserSettingsPath();

// True for a program installed under /usr: its folder belongs to the system, so it never holds
// one user's settings, even for a user who could write there (root).
bool IsSystemInstall(std::string_view iniPath);

// The two places for the executable's settings file `iniPath`; `beside` is empty for a
// system install.
SettingsFiles SettingsFilesFor(const std::string& iniPath);

// The file to read: the user's file when it exists or when there is no file beside the
// executable, else the one beside the executable.
std::string ReadPath(const SettingsFiles& files);

// Writes `values` (key, value) into `section` in their order, into ReadPath(files); when
// that is the file beside the executable and it cannot be written, into the user's file
// (its folders created). The file written, or empty when neither could be.
std::string WriteSettings(const SettingsFiles& files, std::string_view section,
                          const std::vector<std::pair<std::string, std::string>>& values);

}  // namespace settings
