#pragma once

#include <string>
#include <string_view>

// The user's own folders, as the desktop names them.
namespace user_folders {

// $HOME when it is an absolute path, else the password database's home; empty when unknown.
std::string HomeFolder();

// The folder that `key` ("XDG_MUSIC_DIR") names in the text of a user-dirs.dirs file, with a
// leading "$HOME" replaced by `home`; empty when the key is missing or its value is neither
// "$HOME/..." nor absolute. The last line with the key counts.
std::string UserDirFromText(std::string_view text, std::string_view key, std::string_view home);

// The user's music folder: XDG_MUSIC_DIR from $XDG_CONFIG_HOME/user-dirs.dirs (or
// ~/.config/user-dirs.dirs); empty when none is set or it is no folder.
std::string MusicFolder();

// The folder the browser starts in when none is stored: the program's folder `appPath` when
// the program may keep its files there (not `systemInstall` and writable: a portable
// program); otherwise the music folder, else the home folder, else `appPath`.
std::string FirstFolder(const std::string& appPath, bool systemInstall);

}  // namespace user_folders
