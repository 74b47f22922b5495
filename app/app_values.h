#pragma once

#include <string>
#include <string_view>

#include "paths.h"

// The application-wide values, fixed once at start-up and only read afterwards.
struct AppValues {
    std::string AppPath;         // the executable's folder, always ending in the separator
    std::string ExeName;         // the executable's file name without its extension
    std::string AppTitle;        // window title, message-box title, settings section
    std::string IniPath;         // the settings file beside the executable
    std::string TranscoderPath;  // AppPath + "BeSweet.exe"
    bool operator==(const AppValues&) const = default;
};

inline constexpr std::string_view kAppTitle = "Tonquell Audio Converter";
inline constexpr std::string_view kTranscoderName = "BeSweet.exe";

// The values for the executable at `executablePath` (a full path). The settings file carries
// the executable's name with the extension "ini": C:\Tools\Klangwerk.exe gives
// C:\Tools\Klangwerk.ini, /opt/tonquell/tonquell gives /opt/tonquell/tonquell.ini.
AppValues MakeAppValues(std::string_view executablePath,
                        paths::PathStyle style = paths::kNativeStyle);

// The full path of the running executable; empty when the system does not say.
std::string RunningExecutablePath();
