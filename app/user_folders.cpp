#include "user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace user_folders {
namespace {

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Reads the quoted value that `line` begins with into `value`, with \" and \\ undone; false
// when `line` holds no closed quoted value.
bool ParseValue(std::string_view line, std::string& value) {
    if (line.size() < 2 || line.front() != '"') {
        return false;
    }
    line.remove_prefix(1);
    value.clear();
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            value += line[++i];
        } else if (line[i] == '"') {
            return true;
        } else {
            value += line[i];
        }
    }
    return false;
}

}  // namespace

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return home;
    }
    const passwd* entry = ::getpwuid(::geteuid());
    return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

std::string UserDirFromText(std::string_view text, std::string_view key, std::string_view home) {
    std::string found;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            line.remove_prefix(1);
        }
        if (!line.starts_with(key) || line.substr(key.size()).empty() || line[key.size()] != '=') {
            continue;
        }
        std::string value;
        if (!ParseValue(line.substr(key.size() + 1), value)) {
            continue;
        }
        if (value == "$HOME" || value.starts_with("$HOME/")) {
            found = home.empty() ? std::string() : std::string(home) + value.substr(5);
        } else if (value.starts_with('/')) {
            found = value;
        }
    }
    return found;
}

std::string MusicFolder() {
    const std::string home = HomeFolder();
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string config;
    if (xdg != nullptr && xdg[0] == '/') {
        config = xdg;
    } else if (!home.empty()) {
        config = home + "/.config";
    } else {
        return {};
    }
    const std::string music =
        UserDirFromText(ReadText(config + "/user-dirs.dirs"), "XDG_MUSIC_DIR", home);
    return IsFolder(music) ? music : std::string();
}

std::string FirstFolder(const std::string& appPath, bool systemInstall) {
    if (!systemInstall && ::access(appPath.c_str(), W_OK) == 0) {
        return appPath;
    }
    const std::string music = MusicFolder();
    if (!music.empty()) {
        return music;
    }
    const std::string home = HomeFolder();
    return IsFolder(home) ? home : appPath;
}

}  // namespace user_folders
