#include "source_kinds.h"

#include <algorithm>

namespace source_kinds {
namespace {

// Where the extension's dot stands in `path`; npos when its file name has none.
std::size_t ExtensionDot(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot <= nameStart) {
        return std::string_view::npos;
    }
    return dot;
}

}  // namespace

const std::vector<std::string>& Extensions() {
    static const std::vector<std::string> extensions = {
        // The kinds the window was made for, in the order of its filter buttons.
        "avi", "ac3", "mp2", "mp3", "mpa", "ogg", "vob", "wav",
        // The rest of what the transcoder's demuxers open.
        "dts", "dtshd", "eac3", "mpg", "w64", "oga", "opus", "flac", "m4a", "m4b", "mp4", "mka",
        "mkv", "webm", "wma", "wmv", "aiff", "aif", "aifc", "wv", "ape", "tta", "ts", "m2ts",
        "aac"};
    return extensions;
}

bool IsSourceExtension(std::string_view extension) {
    const auto& all = Extensions();
    return std::find(all.begin(), all.end(), extension) != all.end();
}

std::string AllowedPattern() {
    std::string pattern;
    for (const std::string& extension : Extensions()) {
        pattern += (pattern.empty() ? "*." : ";*.") + extension;
    }
    return pattern;
}

std::string ExtensionOf(std::string_view path) {
    const std::size_t dot = ExtensionDot(path);
    if (dot == std::string_view::npos) {
        return {};
    }
    std::string extension(path.substr(dot + 1));
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return extension;
}

std::string WithoutExtension(std::string_view path) {
    return std::string(path.substr(0, ExtensionDot(path)));
}

}  // namespace source_kinds
