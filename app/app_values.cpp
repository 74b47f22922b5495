#include "app_values.h"

#include <unistd.h>

#include <algorithm>
#include <climits>

AppValues MakeAppValues(std::string_view executablePath, paths::PathStyle style) {
    AppValues v;
    const std::string fileName = paths::LastPathPart(executablePath, style);
    const std::string folder(executablePath.substr(
        0, executablePath.size() - std::min(fileName.size(), executablePath.size())));
    v.AppPath = paths::AddBackslash(folder, style);
    const std::size_t dot = fileName.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    v.ExeName = hasExtension ? fileName.substr(0, dot) : fileName;
    v.AppTitle = std::string(kAppTitle);
    if (style == paths::PathStyle::Windows) {
        // The executable is always NAME.exe there: drop "exe", put "ini" in its place.
        std::string ini = paths::ExpandShortNames(v.AppPath + v.ExeName + ".exe", style);
        ini.resize(ini.size() - 3);
        v.IniPath = ini + "ini";
    } else {
        // Executables carry no extension here; expanding the real name keeps its case.
        std::string full = paths::ExpandShortNames(v.AppPath + fileName, style);
        if (hasExtension) {
            full.resize(full.size() - (fileName.size() - dot));
        }
        v.IniPath = full + ".ini";
    }
    v.TranscoderPath = v.AppPath + std::string(kTranscoderName);
    return v;
}

std::string RunningExecutablePath() {
    char buffer[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0) {
        return {};
    }
    return std::string(buffer, static_cast<std::size_t>(n));
}
