#include "settings_location.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "settings_store.h"
#include "user_folders.h"

namespace settings {
namespace {

bool WriteAll(const std::string& path, std::string_view section,
              const std::vector<std::pair<std::string, std::string>>& values) {
    bool ok = true;
    for (const auto& [key, value] : values) {
        ok = WriteSetting(path, section, key, value) && ok;
    }
    return ok;
}

}  // namespace

std::string UserSettingsPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else {
        const std::string home = user_folders::HomeFolder();
        if (home.empty()) {
            return {};
        }
        base = home + "/.config";
    }
    return base + "/tonquell/tonquell.ini";
}

bool IsSystemInstall(std::string_view iniPath) {
    return iniPath.starts_with("/usr/");
}

SettingsFiles SettingsFilesFor(const std::string& iniPath) {
    return {IsSystemInstall(iniPath) ? std::string() : iniPath, UserSettingsPath()};
}

std::string ReadPath(const SettingsFiles& files) {
    std::error_code ec;
    if (!files.user.empty() &&
        (files.beside.empty() || std::filesystem::is_regular_file(files.user, ec))) {
        return files.user;
    }
    return files.beside;
}

std::string WriteSettings(const SettingsFiles& files, std::string_view section,
                          const std::vector<std::pair<std::string, std::string>>& values) {
    const std::string first = ReadPath(files);
    if (first.empty()) {
        return {};
    }
    std::error_code ec;
    if (first == files.user) {
        std::filesystem::create_directories(std::filesystem::path(files.user).parent_path(), ec);
    }
    if (WriteAll(first, section, values)) {
        return first;
    }
    if (first == files.user || files.user.empty()) {
        return {};
    }
    std::filesystem::create_directories(std::filesystem::path(files.user).parent_path(), ec);
    return WriteAll(files.user, section, values) ? files.user : std::string();
}

}  // namespace settings
