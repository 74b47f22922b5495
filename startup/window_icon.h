#pragma once

#include <QIcon>

#include <string>
#include <vector>

// The program's icon for its windows (the window manager's _NET_WM_ICON).
namespace window_icon {

// Where the icon may lie for a program in `appPath` (ending in "/"), first choice first:
// beside the program (a build folder), then where an installation under a prefix puts it
// (<prefix>/share/icons/hicolor/48x48/apps, the program being in <prefix>/lib/tonquell).
std::vector<std::string> Candidates(const std::string& appPath);

// The first candidate that loads as an image; a null icon when none does.
QIcon ProgramIcon(const std::string& appPath);

}  // namespace window_icon
